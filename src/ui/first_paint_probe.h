#pragma once

namespace hodra {

// For the start-up benchmark: when HODRA2_REPORT_FIRST_PAINT is set, the first paint of
// the clock prints "first-paint-ms N" (milliseconds since the process started) on stderr.
void NoteFirstPaint();

}  // namespace hodra

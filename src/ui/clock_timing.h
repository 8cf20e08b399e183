#pragma once

namespace hodra {

// Milliseconds from now until pastBoundaryMs after the next whole second of the system
// clock, at most maxMs: when a clock showing seconds has something new to show.
int MillisecondsPastNextSecond(int pastBoundaryMs, int maxMs);

}  // namespace hodra

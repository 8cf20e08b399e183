#pragma once

#include <QString>

class QPainter;
class QStaticText;

namespace hodra {

// Draws text with its top-left corner at (x, y), as the clock layouts place their text.
// The static text keeps its layout, so a string that did not change costs no shaping.
void DrawTextAt(QPainter& painter, int x, int y, QStaticText& cache, const QString& text);

}  // namespace hodra

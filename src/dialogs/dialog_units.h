#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

namespace hodra {

// Dialog units of a font, by the Windows rule: x = dlu * cx / 4, y = dlu * cy / 8 with cx
// the average width of the 52 Latin letters and cy the font's height.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    DialogUnits(int baseX, int baseY) : cx(baseX), cy(baseY) {}

    int X(int dlu) const;
    int Y(int dlu) const;
    QRect ToPixels(const QRect& dluRect) const;
    QSize ToPixels(const QSize& dluSize) const;

    int BaseX() const { return cx; }
    int BaseY() const { return cy; }

private:
    int cx;
    int cy;
};

}  // namespace hodra

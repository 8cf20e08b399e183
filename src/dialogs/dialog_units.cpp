#include "dialogs/dialog_units.h"

#include <QFontMetrics>

namespace hodra {
namespace {

// MulDiv: multiply, then divide rounding half away from zero.
int MulDiv(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    cx = (letters / 26 + 1) / 2;
    cy = metrics.height();
}

int DialogUnits::X(int dlu) const {
    return MulDiv(dlu, cx, 4);
}

int DialogUnits::Y(int dlu) const {
    return MulDiv(dlu, cy, 8);
}

QRect DialogUnits::ToPixels(const QRect& r) const {
    const int left = X(r.x());
    const int top = Y(r.y());
    return QRect(left, top, X(r.x() + r.width()) - left, Y(r.y() + r.height()) - top);
}

QSize DialogUnits::ToPixels(const QSize& s) const {
    return QSize(X(s.width()), Y(s.height()));
}

}  // namespace hodra

#include "ui/colour_button.h"

#include <QPainter>
#include <QStyle>
#include <qdrawutil.h>

#include "ui/colorref.h"

namespace hodra {

void ColourButton::setColour(ColorRef c) {
    value = c;
    update();
}

void ColourButton::setDialogOpen(bool open) {
    dialogOpen = open;
    update();
}

void ColourButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), ToQColor(value));
    // A two-pixel three-dimensional edge, as EDGE_RAISED / EDGE_SUNKEN draw it.
    qDrawWinPanel(&p, rect(), palette(), drawnSunken());
    p.fillRect(rect().adjusted(2, 2, -2, -2), ToQColor(value));
}

}  // namespace hodra

#include "ui/message_label.h"

#include <QApplication>

#include "ui/colorref.h"

namespace hodra {

MessageLabel::MessageLabel(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignCenter);
    // The template's sunken edge, two pixels like its other sunken controls.
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setTextFormat(Qt::PlainText);
    setAutoFillBackground(true);
    SetTextColor(kSystemColour);
    SetBkColor(kSystemColour);
}

void MessageLabel::SetTextColor(ColorRef colour) {
    QPalette p = palette();
    p.setColor(QPalette::WindowText,
               colour == kSystemColour ? QApplication::palette().color(QPalette::ButtonText) : ToQColor(colour));
    setPalette(p);
    update();
}

void MessageLabel::SetBkColor(ColorRef colour) {
    QPalette p = palette();
    p.setColor(QPalette::Window,
               colour == kSystemColour ? QApplication::palette().color(QPalette::Button) : ToQColor(colour));
    setPalette(p);
    update();
}

QColor MessageLabel::textColour() const {
    return palette().color(QPalette::WindowText);
}

QColor MessageLabel::backgroundColour() const {
    return palette().color(QPalette::Window);
}

}  // namespace hodra

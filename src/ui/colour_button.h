#pragma once

#include <QPushButton>

#include "settings/settings.h"

namespace hodra {

// An owner-drawn colour button: filled with its colour, with a raised edge, sunken
// while pressed or while its colour dialog is open.
class ColourButton : public QPushButton {
    Q_OBJECT
public:
    explicit ColourButton(QWidget* parent = nullptr) : QPushButton(parent) {}

    void setColour(ColorRef c);
    ColorRef colour() const { return value; }
    void setDialogOpen(bool open);
    bool drawnSunken() const { return isDown() || dialogOpen; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ColorRef value = 0;
    bool dialogOpen = false;
};

}  // namespace hodra

#pragma once

#include <QLabel>

#include "settings/settings.h"

namespace hodra {

// The message line under the clock: centred text in colours of its own, sunken edge.
// -1 selects the system's button colours.
class MessageLabel : public QLabel {
    Q_OBJECT
public:
    explicit MessageLabel(QWidget* parent = nullptr);

    void SetTextColor(ColorRef colour);
    void SetBkColor(ColorRef colour);
    QColor textColour() const;
    QColor backgroundColour() const;
};

}  // namespace hodra

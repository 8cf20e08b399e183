#pragma once

#include <QDateTime>
#include <QString>
#include <functional>

class QWidget;

namespace hodra {

// The question before a step over the administrator's limit: the server's time, the PC's
// and the difference, "예" or "아니요". Window-modal and answered later, so the clock
// keeps running while the user reads it.
class LargeStepQuestion {
public:
    static QString Text(const QDateTime& pcTime, double offset);
    // Opens the box over parent; answer(true) only for "예". Closing the box is a no.
    static void Ask(QWidget* parent, double offset, std::function<void(bool make)> answer);
};

}  // namespace hodra

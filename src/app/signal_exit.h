#pragma once

#include <QObject>

class QSocketNotifier;

namespace hodra {

// Turns SIGTERM and SIGINT (a session logout, Ctrl-C) into a signal on the UI thread,
// so the program ends as "종료" does and keeps its state.
class SignalExit : public QObject {
    Q_OBJECT
public:
    explicit SignalExit(QObject* parent = nullptr);
    ~SignalExit() override;

signals:
    void requested();

private:
    QSocketNotifier* notifier = nullptr;
};

}  // namespace hodra

#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTimer>

namespace hodra::test {

// Answers every message box that opens while it lives: records its text and presses
// its first button.
class ModalWatcher {
public:
    ModalWatcher() {
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr || box->property("answered").toBool()) {
                return;
            }
            box->setProperty("answered", true);
            texts << box->text();
            titles << box->windowTitle();
            box->buttons().value(0)->click();
        });
        timer.start();
    }

    QStringList texts;
    QStringList titles;

private:
    QTimer timer;
};

}  // namespace hodra::test

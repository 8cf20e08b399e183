#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

namespace hodra {

// The program's notice: "Hodra2" over the text and one "확인", modal to parent (or to the
// application without one); returns when it is closed.
void ShowNotice(QWidget* parent, const QString& text, QMessageBox::Icon icon = QMessageBox::NoIcon);

}  // namespace hodra

#include "dialogs/notice.h"

#include "dialogs/dialogs_texts.h"

namespace hodra {

void ShowNotice(QWidget* parent, const QString& text, QMessageBox::Icon icon) {
    QMessageBox box(icon, QString::fromUtf8(text::kProgramTitle), text, QMessageBox::NoButton, parent);
    box.addButton(QString::fromUtf8(text::kOk), QMessageBox::AcceptRole);
    box.exec();
}

}  // namespace hodra

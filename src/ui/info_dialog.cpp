#include "ui/info_dialog.h"

#include <QPlainTextEdit>
#include <QPushButton>

#include "settings/data_files.h"
#include "dialogs/dialog_builder.h"
#include "dialogs/screen_fit.h"
#include "settings/text_decoding.h"
#include "ui/ui_texts.h"

namespace hodra {

QString InfoDialog::HelpText(const QString& path) {
    QString text;
    if (!ReadKoreanTextFile(path, kMaxHelpBytes, text)) {
        return text::kNoHelpFile;
    }
    return text;
}

InfoDialog::InfoDialog(QWidget* parent, const QString& helpPath) : QDialog(parent) {
    // Modal to the clock window only: the tray icon and the world time dialog stay usable.
    setWindowModality(Qt::WindowModal);
    const DialogTemplate t = LoadDialogTemplate(100);
    const BuiltDialog built = DialogBuilder(t).Build(this);
    setWindowTitle(t.caption);
    // On a small screen at a large scale factor the text is what gives up room: it scrolls.
    setFixedSize(FitToScreen(built, 1014, screen()));
    edit = built.Get<QPlainTextEdit>(1014);
    edit->setPlainText(HelpText(helpPath.isEmpty() ? FindDataFile(QStringLiteral("Hodra2.hlp")) : helpPath));
    auto* ok = built.Get<QPushButton>(1);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

QString InfoDialog::text() const {
    return edit->toPlainText();
}

}  // namespace hodra

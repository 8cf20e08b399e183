#pragma once

#include <QDialog>
#include <QString>

class QPlainTextEdit;

namespace hodra {

// Dialog 100 "표준시 정보": the help text file, at most 10,240 bytes of it.
class InfoDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr qint64 kMaxHelpBytes = 10240;

    explicit InfoDialog(QWidget* parent = nullptr, const QString& helpPath = {});
    QString text() const;

    // The text edit 1014 shows: the file's first 10,240 bytes cut at a whole character,
    // or the fixed message when the file cannot be read.
    static QString HelpText(const QString& path);

private:
    QPlainTextEdit* edit = nullptr;
};

}  // namespace hodra

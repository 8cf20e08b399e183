#include "ui/large_step_question.h"

#include <QMessageBox>
#include <QPushButton>
#include <cmath>

#include "sync/compare_text.h"
#include "ui/ui_texts.h"

namespace hodra {
namespace {

QString Shown(const QDateTime& time) {
    return time.toString(text::kQuestionTime).replace(QLatin1Char(' '), QChar::Nbsp);
}

}  // namespace

QString LargeStepQuestion::Text(const QDateTime& pcTime, double offset) {
    const auto milliseconds = static_cast<qint64>(std::llround(offset * 1000.0));
    const QString difference = QString::fromStdString(FormatFixed(std::abs(offset), 1));
    return QString(text::kLargeStepQuestion)
        .arg(Shown(pcTime.addMSecs(milliseconds)), Shown(pcTime), difference,
             QString(offset < 0.0 ? text::kPcIsFast : text::kPcIsSlow));
}

void LargeStepQuestion::Ask(QWidget* parent, double offset, std::function<void(bool make)> answer) {
    auto* box = new QMessageBox(QMessageBox::Question, text::kProgramTitle, Text(QDateTime::currentDateTime(), offset),
                                QMessageBox::NoButton, parent);
    QPushButton* yes = box->addButton(text::kYes, QMessageBox::YesRole);
    QPushButton* no = box->addButton(text::kNo, QMessageBox::NoRole);
    box->setDefaultButton(no);
    box->setEscapeButton(no);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(box, &QMessageBox::finished, box,
                     [box, yes, answer = std::move(answer)] { answer(box->clickedButton() == yes); });
    box->open();
}

}  // namespace hodra

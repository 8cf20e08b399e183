#include "large_step_question.h"

#include <QMessageBox>
#include <QPushButton>
#include <cmath>

#include "compare_text.h"

namespace hodra {
namespace {

QString Shown(const QDateTime& time) {
    return time.toString(QStringLiteral("yyyy년 MM월 dd일 HH:mm:ss"));
}

}  // namespace

QString LargeStepQuestion::Text(const QDateTime& pcTime, double offset) {
    const auto milliseconds = static_cast<qint64>(std::llround(offset * 1000.0));
    const QString difference = QString::fromStdString(FormatFixed(std::abs(offset), 1));
    return QStringLiteral(
               "PC 시계와 서버 시각의 차이가 커서 바로 맞추지 않았습니다.\n\n"
               "서버 시각: %1\nPC 시각: %2\n차이: PC가 %3 초 %4\n\n"
               "PC 시계를 서버 시각으로 맞출까요?")
        .arg(Shown(pcTime.addMSecs(milliseconds)), Shown(pcTime), difference,
             offset < 0.0 ? QStringLiteral("빠릅니다.") : QStringLiteral("늦습니다."));
}

void LargeStepQuestion::Ask(QWidget* parent, double offset, std::function<void(bool make)> answer) {
    auto* box = new QMessageBox(QMessageBox::Question, QStringLiteral("Hodra2"),
                                Text(QDateTime::currentDateTime(), offset), QMessageBox::NoButton, parent);
    QPushButton* yes = box->addButton(QStringLiteral("예"), QMessageBox::YesRole);
    QPushButton* no = box->addButton(QStringLiteral("아니요"), QMessageBox::NoRole);
    box->setDefaultButton(no);
    box->setEscapeButton(no);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(box, &QMessageBox::finished, box,
                     [box, yes, answer = std::move(answer)] { answer(box->clickedButton() == yes); });
    box->open();
}

}  // namespace hodra

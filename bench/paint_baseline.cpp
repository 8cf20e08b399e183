// The least a Qt window costs here: a label with the clock's fonts, nothing else. The
// start-up benchmark runs it beside the clock window and reports the clock's cost in units
// of this one.
#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/first_paint_probe.h"
#include "dialogs/fonts.h"

namespace {

class Label : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override {
        QLabel::paintEvent(event);
        hodra::NoteFirstPaint();
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    hodra::InstallFontSubstitutions();
    QWidget window;
    auto* date = new Label(QStringLiteral("2026년 12월 09일 수요일"), &window);
    date->setFont(hodra::MakeFont(QStringLiteral("굴림"), 10));
    auto* time = new Label(QStringLiteral("AM 07:10:49"), &window);
    time->setFont(hodra::MakeFont(QStringLiteral("Arial"), 24));
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(date);
    layout->addWidget(time);
    window.setWindowTitle(QStringLiteral("baseline"));
    window.show();
    return QApplication::exec();
}

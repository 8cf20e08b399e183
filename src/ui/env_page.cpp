#include "env_page.h"

#include "window_system.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "colorref.h"
#include "colour_button.h"

namespace hodra {
namespace {

bool DefaultColourChooser(QWidget* parent, ColorRef initial, ColorRef& chosen) {
    const QColor c = QColorDialog::getColor(ToQColor(initial), parent);
    if (!c.isValid()) {
        return false;
    }
    chosen = ToColorRef(c);
    return true;
}

}  // namespace

EnvPage::EnvPage(Settings& settings, QWidget* parent) : QWidget(parent), settings(settings) {
    const DialogTemplate t = LoadDialogTemplate(131);
    DialogBuilder builder(t);
    for (const int id : {kIdBgColor, kIdTxtColor, kIdBgColor2, kIdTxtColor2}) {
        builder.withFactory(id, [](const ControlTemplate&, QWidget* p) { return new ColourButton(p); });
    }
    built = builder.Build(this);
    setWindowTitle(t.caption);
    setMinimumSize(built.clientSize);
    chooseColour = DefaultColourChooser;

    const Settings& s = settings;
    v.AutoCon = s.AutoCon;
    v.AutoConDuration = s.AutoConDuration;
    v.Beep = s.Beep;
    v.SCR = s.SCR;
    v.Blink = s.Blink;
    v.AutoCompare = s.AutoCompare;
    v.Log = s.Log;
    v.Top = s.Top;
    v.Small = s.Small;
    v.Small2 = s.Small2;
    v.BgColor = s.BgColor;
    v.TxtColor = s.TxtColor;
    v.BgColor2 = s.BgColor2;
    v.TxtColor2 = s.TxtColor2;
    WriteControls();
    EnableInterval(v.AutoCon != 0);
    if (!WindowPlacementIsOurs()) {
        // The choice stays stored for sessions where it can be honoured.
        Box(kIdTop)->setEnabled(false);
        Box(kIdTop)->setToolTip(QStringLiteral("Wayland 창은 늘 위에 둘 수 없습니다 (XWayland에서는 됩니다)"));
    }

    connect(Box(kIdAutoCon), &QCheckBox::clicked, this, &EnvPage::OnAutoCon);
    connect(Box(kIdSmall), &QCheckBox::clicked, this, &EnvPage::OnSmall);
    connect(Box(kIdSmall2), &QCheckBox::clicked, this, &EnvPage::OnSmall2);
    connect(Colour(kIdBgColor), &QPushButton::clicked, this, [this] { OnColour(kIdBgColor, 1, v.BgColor); });
    connect(Colour(kIdTxtColor), &QPushButton::clicked, this, [this] { OnColour(kIdTxtColor, 2, v.TxtColor); });
    connect(Colour(kIdBgColor2), &QPushButton::clicked, this, [this] { OnColour(kIdBgColor2, 3, v.BgColor2); });
    connect(Colour(kIdTxtColor2), &QPushButton::clicked, this, [this] { OnColour(kIdTxtColor2, 4, v.TxtColor2); });
    connect(built.get<QPushButton>(kIdDefaults), &QPushButton::clicked, this, &EnvPage::OnDefaults);
}

QCheckBox* EnvPage::Box(int id) const {
    return built.get<QCheckBox>(id);
}

ColourButton* EnvPage::Colour(int id) const {
    return built.get<ColourButton>(id);
}

QLineEdit* EnvPage::Minutes() const {
    return built.get<QLineEdit>(kIdMinutes);
}

void EnvPage::WriteControls() {
    Box(kIdAutoCon)->setChecked(v.AutoCon != 0);
    Minutes()->setText(QString::number(v.AutoConDuration));
    Box(kIdBeep)->setChecked(v.Beep != 0);
    Box(kIdScr)->setChecked(v.SCR != 0);
    Box(kIdBlink)->setChecked(v.Blink != 0);
    Box(kIdAutoCompare)->setChecked(v.AutoCompare != 0);
    Box(kIdLog)->setChecked(v.Log != 0);
    Box(kIdTop)->setChecked(v.Top != 0);
    Box(kIdSmall)->setChecked(v.Small != 0);
    Box(kIdSmall2)->setChecked(v.Small2 != 0);
    Colour(kIdBgColor)->setColour(v.BgColor);
    Colour(kIdTxtColor)->setColour(v.TxtColor);
    Colour(kIdBgColor2)->setColour(v.BgColor2);
    Colour(kIdTxtColor2)->setColour(v.TxtColor2);
}

void EnvPage::ReadFlags() {
    v.AutoCon = Box(kIdAutoCon)->isChecked();
    v.Beep = Box(kIdBeep)->isChecked();
    v.SCR = Box(kIdScr)->isChecked();
    v.Blink = Box(kIdBlink)->isChecked();
    v.AutoCompare = Box(kIdAutoCompare)->isChecked();
    v.Log = Box(kIdLog)->isChecked();
    v.Top = Box(kIdTop)->isChecked();
    v.Small = Box(kIdSmall)->isChecked();
    v.Small2 = Box(kIdSmall2)->isChecked();
}

bool EnvPage::ReadMinutes() {
    bool number = false;
    const QString text = Minutes()->text().trimmed();
    const qlonglong minutes = text.toLongLong(&number);
    if (!number) {
        Refuse(QStringLiteral("정수를 입력하십시오."));
        return false;
    }
    if (minutes < kMinAutoConDuration || minutes > kMaxAutoConDuration) {
        Refuse(QStringLiteral("%1와(과) %2 사이의 정수를 입력하십시오.").arg(kMinAutoConDuration).arg(kMaxAutoConDuration));
        return false;
    }
    v.AutoConDuration = static_cast<int>(minutes);
    return true;
}

void EnvPage::Refuse(const QString& message) {
    emit refusing();
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Hodra2"), message, QMessageBox::NoButton, this);
    box.addButton(QStringLiteral("확인"), QMessageBox::AcceptRole);
    box.exec();
    Minutes()->setFocus();
    Minutes()->selectAll();
}

bool EnvPage::Commit() {
    // The exchange order: 1002, then the minutes, then the other boxes.
    v.AutoCon = Box(kIdAutoCon)->isChecked();
    if (!ReadMinutes()) {
        return false;
    }
    ReadFlags();
    settings.AutoCon = v.AutoCon != 0;
    settings.AutoConDuration = v.AutoConDuration;
    settings.AutoCompare = v.AutoCompare != 0;
    settings.Beep = v.Beep != 0;
    settings.SCR = v.SCR != 0;
    settings.TxtColor = v.TxtColor;
    settings.BgColor = v.BgColor;
    settings.TxtColor2 = v.TxtColor2;
    settings.BgColor2 = v.BgColor2;
    settings.Blink = v.Blink != 0;
    settings.Log = v.Log != 0;
    settings.Top = v.Top != 0;
    settings.Small = v.Small != 0;
    settings.Small2 = v.Small2 != 0;
    return true;
}

void EnvPage::EnableInterval(bool on) {
    for (const int id : {kIdEvery, kIdMinutes, kIdMinutesText}) {
        control(id)->setEnabled(on);
    }
}

void EnvPage::OnAutoCon() {
    v.AutoCon = Box(kIdAutoCon)->isChecked();
    ReadMinutes();
    EnableInterval(v.AutoCon != 0);
}

void EnvPage::OnSmall() {
    ReadFlags();
    if (v.Small != 0) {
        v.Small2 = 0;
        Box(kIdSmall2)->setChecked(false);
    }
}

void EnvPage::OnSmall2() {
    ReadFlags();
    if (v.Small2 != 0) {
        v.Small = 0;
        Box(kIdSmall)->setChecked(false);
    }
}

void EnvPage::OnColour(int id, int indicator, ColorRef& field) {
    openColour = indicator;
    ColourButton* button = Colour(id);
    button->setDialogOpen(true);
    ColorRef chosen = field;
    if (chooseColour && chooseColour(this, field, chosen)) {
        field = chosen;
        button->setColour(chosen);
    }
    button->setDialogOpen(false);
    openColour = 0;
    update();
}

void EnvPage::OnDefaults() {
    const Settings d;
    v.AutoCon = d.AutoCon;
    v.AutoConDuration = d.AutoConDuration;
    v.AutoCompare = d.AutoCompare;
    v.Beep = d.Beep;
    v.SCR = d.SCR;
    v.BgColor = d.BgColor;
    v.TxtColor = d.TxtColor;
    v.BgColor2 = d.BgColor2;
    v.TxtColor2 = d.TxtColor2;
    v.Blink = d.Blink;
    v.Log = d.Log;
    v.Top = d.Top;
    v.Small = d.Small;
    // Small2 keeps its state.
    EnableInterval(true);
    WriteControls();
    update();
}

}  // namespace hodra

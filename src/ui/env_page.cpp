#include "ui/env_page.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QLineEdit>
#include <QPushButton>

#include "ui/colorref.h"
#include "dialogs/control_ids.h"
#include "ui/colour_button.h"
#include "ui/window_system.h"
#include "dialogs/notice.h"
#include "ui/ui_texts.h"

namespace hodra {
namespace {

bool OptionIs(const QString& key, OptionKind kind) {
    for (const Option& o : kOptions) {
        if (key == QLatin1String(o.key)) {
            return o.kind == kind;
        }
    }
    return false;
}

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
    for (const ControlTemplate& c : t.controls) {
        if (!c.option.isEmpty() && OptionIs(c.option, OptionKind::Colour)) {
            builder.WithFactory(c.id, [](const ControlTemplate&, QWidget* p) { return new ColourButton(p); });
        }
    }
    built = builder.Build(this);
    setWindowTitle(t.caption);
    setMinimumSize(built.clientSize);
    chooseColour = DefaultColourChooser;

    edited = settings;
    WriteControls();
    EnableInterval(edited.AutoCon);
    if (!WindowPlacementIsOurs()) {
        // The choice stays stored for sessions where it can be honoured.
        Box("Top")->setEnabled(false);
        Box("Top")->setToolTip(text::kTopmostOnWayland);
    }

    connect(Box("AutoCon"), &QCheckBox::clicked, this, &EnvPage::OnAutoCon);
    connect(Box("Small"), &QCheckBox::clicked, this, &EnvPage::OnSmall);
    connect(Box("Small2"), &QCheckBox::clicked, this, &EnvPage::OnSmall2);
    // While one is open, the colour dialogs are numbered 1 to 4 in this order.
    const Option* colours[] = {&OptionNamed("BgColor"), &OptionNamed("TxtColor"), &OptionNamed("BgColor2"),
                               &OptionNamed("TxtColor2")};
    for (int i = 0; i < 4; ++i) {
        connect(Colour(colours[i]->key), &QPushButton::clicked, this,
                [this, colour = colours[i], i] { OnColour(*colour, i + 1); });
    }
    connect(built.Get<QPushButton>(dialog131::kDefaults), &QPushButton::clicked, this, &EnvPage::OnDefaults);
}

QCheckBox* EnvPage::Box(const char* key) const {
    return qobject_cast<QCheckBox*>(option(QString::fromLatin1(key)));
}

ColourButton* EnvPage::Colour(const char* key) const {
    return qobject_cast<ColourButton*>(option(QString::fromLatin1(key)));
}

QLineEdit* EnvPage::Minutes() const {
    return qobject_cast<QLineEdit*>(option(QStringLiteral("AutoConDuration")));
}

void EnvPage::WriteControls() {
    for (const Option& o : kOptions) {
        const std::int32_t value = OptionValue(edited, o);
        switch (o.kind) {
        case OptionKind::Flag: Box(o.key)->setChecked(value != 0); break;
        case OptionKind::Minutes: Minutes()->setText(QString::number(value)); break;
        case OptionKind::Colour: Colour(o.key)->setColour(static_cast<ColorRef>(value)); break;
        }
    }
}

void EnvPage::ReadFlags() {
    for (const Option& o : kOptions) {
        if (o.kind == OptionKind::Flag) {
            SetOption(edited, o, Box(o.key)->isChecked() ? 1 : 0);
        }
    }
}

bool EnvPage::ReadMinutes() {
    bool number = false;
    const QString text = Minutes()->text().trimmed();
    const qlonglong minutes = text.toLongLong(&number);
    if (!number) {
        Refuse(text::kWholeNumber);
        return false;
    }
    if (minutes < kMinAutoConDuration || minutes > kMaxAutoConDuration) {
        Refuse(QString(text::kNumberBetween).arg(kMinAutoConDuration).arg(kMaxAutoConDuration));
        return false;
    }
    edited.AutoConDuration = static_cast<int>(minutes);
    return true;
}

void EnvPage::Refuse(const QString& message) {
    emit refusing();
    ShowNotice(this, message, QMessageBox::Warning);
    Minutes()->setFocus();
    Minutes()->selectAll();
}

bool EnvPage::Commit() {
    // The automatic connection first, then the minutes, then the other boxes.
    edited.AutoCon = Box("AutoCon")->isChecked();
    if (!ReadMinutes()) {
        return false;
    }
    ReadFlags();
    for (const Option& o : kOptions) {
        SetOption(settings, o, OptionValue(edited, o));
    }
    return true;
}

void EnvPage::EnableInterval(bool on) {
    for (QWidget* interval :
         {control(dialog131::kEvery), option(QStringLiteral("AutoConDuration")), control(dialog131::kMinutesText)}) {
        interval->setEnabled(on);
    }
}

void EnvPage::OnAutoCon() {
    edited.AutoCon = Box("AutoCon")->isChecked();
    ReadMinutes();
    EnableInterval(edited.AutoCon);
}

// The clock-only and the slim layout exclude each other. Like every click that reads the
// page, these read the minutes too, and say at once when they are out of range; only the
// other box is written back, so what the user typed stays for them to correct.
void EnvPage::OnSmall() {
    ReadMinutes();
    ReadFlags();
    if (edited.Small) {
        edited.Small2 = false;
        Box("Small2")->setChecked(false);
    }
}

void EnvPage::OnSmall2() {
    ReadMinutes();
    ReadFlags();
    if (edited.Small2) {
        edited.Small = false;
        Box("Small")->setChecked(false);
    }
}

void EnvPage::OnColour(const Option& colour, int indicator) {
    openColour = indicator;
    ColourButton* button = Colour(colour.key);
    button->setDialogOpen(true);
    const auto current = static_cast<ColorRef>(OptionValue(edited, colour));
    ColorRef chosen = current;
    if (chooseColour && chooseColour(this, current, chosen)) {
        SetOption(edited, colour, static_cast<std::int32_t>(chosen));
        button->setColour(chosen);
    }
    button->setDialogOpen(false);
    openColour = 0;
    update();
}

void EnvPage::OnDefaults() {
    for (const Option& o : kOptions) {
        if (o.resetByDefaults) {
            SetOption(edited, o, o.fallback);
        }
    }
    EnableInterval(true);
    WriteControls();
    update();
}

}  // namespace hodra

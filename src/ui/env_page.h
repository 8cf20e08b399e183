#pragma once

#include <QWidget>

#include "dialog_builder.h"
#include "options.h"
#include "settings.h"

class QCheckBox;
class QLineEdit;

namespace hodra {

class ColourButton;

// Dialog 131 "환경설정": every option of Settings, laid on its control from the option
// table. The page edits its own copy, so Cancel leaves Settings untouched; Commit (the
// sheet's OK) checks the minutes and then copies every option into Settings.
class EnvPage : public QWidget {
    Q_OBJECT
public:
    static constexpr int kIdBeep = OptionNamed("Beep").controlId, kIdAutoCon = OptionNamed("AutoCon").controlId,
                         kIdMinutes = OptionNamed("AutoConDuration").controlId, kIdScr = OptionNamed("SCR").controlId,
                         kIdBgColor = OptionNamed("BgColor").controlId, kIdTxtColor = OptionNamed("TxtColor").controlId,
                         kIdBlink = OptionNamed("Blink").controlId,
                         kIdAutoCompare = OptionNamed("AutoCompare").controlId, kIdLog = OptionNamed("Log").controlId,
                         kIdTop = OptionNamed("Top").controlId, kIdSmall = OptionNamed("Small").controlId,
                         kIdSmall2 = OptionNamed("Small2").controlId, kIdBgColor2 = OptionNamed("BgColor2").controlId,
                         kIdTxtColor2 = OptionNamed("TxtColor2").controlId;
    // Controls that are no option of their own.
    static constexpr int kIdEvery = 1005, kIdMinutesText = 1006, kIdDefaults = 1015;

    EnvPage(Settings& settings, QWidget* parent = nullptr);

    // Reads the controls; false (after the message box) when the minutes are not valid.
    bool Commit();
    QWidget* control(int id) const { return built.controls.value(id); }
    QSize templateSize() const { return built.clientSize; }
    int colourDialogOpen() const { return openColour; }

    // How a colour is chosen (the standard colour dialog; tests replace it).
    using ColourChooser = std::function<bool(QWidget* parent, ColorRef initial, ColorRef& chosen)>;
    void setColourChooser(ColourChooser chooser) { chooseColour = std::move(chooser); }

signals:
    // Just before a refusal is shown: whoever holds the page brings it to the front.
    void refusing();

private:
    QCheckBox* Box(int id) const;
    ColourButton* Colour(int id) const;
    QLineEdit* Minutes() const;
    void WriteControls();
    void ReadFlags();
    bool ReadMinutes();
    void EnableInterval(bool on);
    void OnAutoCon();
    void OnSmall();
    void OnSmall2();
    void OnColour(const Option& colour, int indicator);
    void OnDefaults();
    void Refuse(const QString& message);

    Settings& settings;
    BuiltDialog built;
    Settings edited;  // the options as the page shows them
    int openColour = 0;
    ColourChooser chooseColour;
};

}  // namespace hodra

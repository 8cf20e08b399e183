#pragma once

#include <QWidget>

#include "dialog_builder.h"
#include "settings.h"

class QCheckBox;
class QLineEdit;

namespace hodra {

class ColourButton;

// CEnvDlg, dialog 131 "환경설정": every option of Settings. The page edits its own copy;
// Commit (the sheet's OK) validates the minutes and copies everything into Settings.
class EnvPage : public QWidget {
    Q_OBJECT
public:
    static constexpr int kIdBeep = 1001, kIdAutoCon = 1002, kIdMinutes = 1004, kIdEvery = 1005,
                         kIdMinutesText = 1006, kIdScr = 1007, kIdBgColor = 1008, kIdTxtColor = 1009,
                         kIdBlink = 1010, kIdAutoCompare = 1011, kIdLog = 1012, kIdTop = 1013, kIdSmall = 1014,
                         kIdDefaults = 1015, kIdSmall2 = 1016, kIdBgColor2 = 1017, kIdTxtColor2 = 1018;

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
    struct Values {
        int AutoCon = 0, Beep = 0, SCR = 0, Blink = 0, AutoCompare = 0, Log = 0, Top = 0, Small = 0, Small2 = 0;
        int AutoConDuration = 1;
        ColorRef BgColor = 0, TxtColor = 0, BgColor2 = 0, TxtColor2 = 0;
    };

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
    void OnColour(int id, int indicator, ColorRef& field);
    void OnDefaults();
    void Refuse(const QString& message);

    Settings& settings;
    BuiltDialog built;
    Values v;
    int openColour = 0;
    ColourChooser chooseColour;
};

}  // namespace hodra

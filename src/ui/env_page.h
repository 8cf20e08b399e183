#pragma once

#include <QWidget>

#include "dialogs/dialog_builder.h"
#include "settings/options.h"
#include "settings/settings.h"

class QCheckBox;
class QLineEdit;

namespace hodra {

class ColourButton;

// Dialog 131 "환경설정": every option of Settings, laid on the control the template names
// for it. The page edits its own copy, so Cancel leaves Settings untouched; Commit (the
// sheet's OK) checks the minutes and then copies every option into Settings.
class EnvPage : public QWidget {
    Q_OBJECT
public:
    EnvPage(Settings& settings, QWidget* parent = nullptr);

    // Reads the controls; false (after the message box) when the minutes are not valid.
    bool Commit();
    QWidget* control(int id) const { return built.controls.value(id); }
    // The control of an option, by the option's key ("Beep", "AutoConDuration" ...).
    QWidget* option(const QString& key) const { return built.options.value(key); }
    QSize templateSize() const { return built.clientSize; }
    int colourDialogOpen() const { return openColour; }

    // How a colour is chosen (the standard colour dialog; tests replace it).
    using ColourChooser = std::function<bool(QWidget* parent, ColorRef initial, ColorRef& chosen)>;
    void setColourChooser(ColourChooser chooser) { chooseColour = std::move(chooser); }

signals:
    // Just before a refusal is shown: whoever holds the page brings it to the front.
    void refusing();

private:
    QCheckBox* Box(const char* key) const;
    ColourButton* Colour(const char* key) const;
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

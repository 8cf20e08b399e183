#pragma once

#include <QString>
#include <memory>

#include "settings/settings.h"

class QSettings;

namespace hodra {

// The per-user profile: QSettings("Hodra Client V2.0", "Hodra2"), group "Hodra", every
// value a 32-bit integer. Each save ends with sync() and reports a failed write on stderr.
class SettingsStore {
public:
    SettingsStore();
    // A profile at an explicit INI path (tests).
    explicit SettingsStore(const QString& iniPath);
    ~SettingsStore();

    // The 17 values read at window initialisation; positions are read separately.
    void Load(Settings& s);
    void LoadWindowPosition(Settings& s);
    void LoadWorldTimePosition(Settings& s);

    bool SaveOptions(const Settings& s);
    bool SaveState(const Settings& s, bool worldTimeCreated);
    bool SaveWindowPosition(const Settings& s);

    QString FileName() const;

private:
    void Configure();
    // The one write of a save: every value set since the last one, in one atomic file replacement.
    bool Flush(const char* what);

    std::unique_ptr<QSettings> profile;
};

}  // namespace hodra

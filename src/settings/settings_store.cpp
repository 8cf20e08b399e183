#include "settings/settings_store.h"

#include "settings/options.h"
#include "settings/settings_texts.h"

#include <QSettings>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>

namespace hodra {
namespace {

constexpr char kOrganisation[] = "Hodra Client V2.0";
constexpr char kApplication[] = "Hodra2";
constexpr char kGroup[] = "Hodra/";

std::optional<qint64> ReadInteger(const QSettings& profile, const char* key) {
    const QVariant value = profile.value(QString(kGroup) + key);
    if (!value.isValid()) {
        return std::nullopt;
    }
    bool ok = false;
    const qint64 number = value.toString().trimmed().toLongLong(&ok);
    if (!ok) {
        return std::nullopt;
    }
    return number;
}

std::int32_t ReadInt32(const QSettings& profile, const char* key, std::int32_t fallback) {
    const auto number = ReadInteger(profile, key);
    if (!number || *number < std::numeric_limits<std::int32_t>::min() ||
        *number > std::numeric_limits<std::int32_t>::max()) {
        return fallback;
    }
    return static_cast<std::int32_t>(*number);
}

void Write(QSettings& profile, const char* key, qint64 value) {
    profile.setValue(QString(kGroup) + key, value);
}

// The nearest whole millisecond, held to the 32-bit range: what was loaded (milliseconds
// times 0.001) is saved as it was, so a load and a save change nothing.
qint64 LastDiffMilliseconds(double seconds) {
    const double ms = std::round(seconds * 1000.0);
    if (!(ms > std::numeric_limits<std::int32_t>::min())) {
        return std::isnan(ms) ? 0 : std::numeric_limits<std::int32_t>::min();
    }
    if (ms > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<qint64>(ms);
}

// LastCon is an unsigned 32-bit count of seconds in the profile.
bool LastConFits(std::int64_t seconds) {
    return seconds >= 0 && seconds <= 0xFFFFFFFFLL;
}

}  // namespace

SettingsStore::SettingsStore()
    : profile(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, kOrganisation, kApplication)) {
    Configure();
}

SettingsStore::SettingsStore(const QString& iniPath)
    : profile(std::make_unique<QSettings>(iniPath, QSettings::IniFormat)) {
    Configure();
}

void SettingsStore::Configure() {
    // Only the user's own profile counts; the system file holds deployment values.
    profile->setFallbacksEnabled(false);
    // Each save reaches the disk as one replacement of the whole file (a new file renamed
    // over the old one, under the profile's lock), or not at all: a kill at any moment
    // leaves the old profile or the new one, never a mix. Qt's default, which the program
    // relies on, so it is said here.
    profile->setAtomicSyncRequired(true);
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::FileName() const {
    return profile->fileName();
}

void SettingsStore::Load(Settings& s) {
    const Settings d;
    const QSettings& p = *profile;
    for (const Option& o : kOptions) {
        SetOption(s, o, Accepted(o, ReadInt32(p, o.key, o.fallback)));
    }
    const auto lastCon = ReadInteger(p, "LastCon");
    s.LastCon = lastCon && LastConFits(*lastCon) ? *lastCon : d.LastCon;
    s.LastDiff = ReadInt32(p, "LastDiff", 0) * 0.001;
    s.ServerID = ReadInt32(p, "ServerID", d.ServerID);
}

void SettingsStore::LoadWindowPosition(Settings& s) {
    s.Hodra_X = ReadInt32(*profile, "Hodra_X", 0);
    s.Hodra_Y = ReadInt32(*profile, "Hodra_Y", 0);
}

void SettingsStore::LoadWorldTimePosition(Settings& s) {
    s.WorldTime_X = ReadInt32(*profile, "WorldTime_X", 0);
    s.WorldTime_Y = ReadInt32(*profile, "WorldTime_Y", 0);
}

bool SettingsStore::SaveOptions(const Settings& s) {
    for (const Option& o : kOptions) {
        Write(*profile, o.key, OptionValue(s, o));
    }
    return Flush("options");
}

bool SettingsStore::SaveState(const Settings& s, bool worldTimeCreated) {
    QSettings& p = *profile;
    if (worldTimeCreated) {
        Write(p, "WorldTime_X", s.WorldTime_X);
        Write(p, "WorldTime_Y", s.WorldTime_Y);
    }
    Write(p, "Hodra_X", s.Hodra_X);
    Write(p, "Hodra_Y", s.Hodra_Y);
    Write(p, "LastCon", LastConFits(s.LastCon) ? s.LastCon : 0);
    Write(p, "LastDiff", LastDiffMilliseconds(s.LastDiff));
    Write(p, "ServerID", s.ServerID);
    return Flush("state");
}

bool SettingsStore::SaveWindowPosition(const Settings& s) {
    Write(*profile, "Hodra_X", s.Hodra_X);
    Write(*profile, "Hodra_Y", s.Hodra_Y);
    return Flush("window position");
}

bool SettingsStore::Flush(const char* what) {
    profile->sync();
    if (profile->status() != QSettings::NoError) {
        std::fprintf(stderr, text::kProfileNotSaved, what, qPrintable(profile->fileName()));
        return false;
    }
    return true;
}

}  // namespace hodra

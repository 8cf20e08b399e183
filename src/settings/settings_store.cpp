#include "settings_store.h"

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

bool ReadFlag(const QSettings& profile, const char* key, bool fallback) {
    return ReadInt32(profile, key, fallback ? 1 : 0) != 0;
}

ColorRef ReadColour(const QSettings& profile, const char* key, ColorRef fallback) {
    return static_cast<ColorRef>(ReadInt32(profile, key, static_cast<std::int32_t>(fallback)));
}

void Write(QSettings& profile, const char* key, qint64 value) {
    profile.setValue(QString(kGroup) + key, value);
}

void WriteFlag(QSettings& profile, const char* key, bool on) {
    Write(profile, key, on ? 1 : 0);
}

void WriteColour(QSettings& profile, const char* key, ColorRef colour) {
    Write(profile, key, static_cast<std::int32_t>(colour));
}

// Whole milliseconds toward zero, held to the 32-bit range.
qint64 LastDiffMilliseconds(double seconds) {
    const double ms = std::trunc(seconds * 1000.0);
    if (!(ms > std::numeric_limits<std::int32_t>::min())) {
        return std::isnan(ms) ? 0 : std::numeric_limits<std::int32_t>::min();
    }
    if (ms > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<qint64>(ms);
}

qint64 LastConCount(std::int64_t seconds) {
    return seconds >= 0 && seconds <= 0xFFFFFFFFLL ? seconds : 0;
}

}  // namespace

SettingsStore::SettingsStore()
    : profile(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, kOrganisation,
                                          kApplication)) {
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
    // leaves the old profile or the new one, never a mix.
    profile->setAtomicSyncRequired(true);
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::FileName() const {
    return profile->fileName();
}

void SettingsStore::Load(Settings& s) {
    const Settings d;
    const QSettings& p = *profile;
    s.AutoCon = ReadFlag(p, "AutoCon", d.AutoCon);
    s.AutoConDuration = ReadInt32(p, "AutoConDuration", d.AutoConDuration);
    // 0 minutes would make a timer storm; the settings page never stores such a value.
    if (s.AutoConDuration < kMinAutoConDuration || s.AutoConDuration > kMaxAutoConDuration) {
        s.AutoConDuration = d.AutoConDuration;
    }
    s.AutoCompare = ReadFlag(p, "AutoCompare", d.AutoCompare);
    s.Beep = ReadFlag(p, "Beep", d.Beep);
    s.SCR = ReadFlag(p, "SCR", d.SCR);
    s.TxtColor = ReadColour(p, "TxtColor", d.TxtColor);
    s.BgColor = ReadColour(p, "BgColor", d.BgColor);
    s.TxtColor2 = ReadColour(p, "TxtColor2", d.TxtColor2);
    s.BgColor2 = ReadColour(p, "BgColor2", d.BgColor2);
    s.Blink = ReadFlag(p, "Blink", d.Blink);
    s.Log = ReadFlag(p, "Log", d.Log);
    s.Top = ReadFlag(p, "Top", d.Top);
    s.Small = ReadFlag(p, "Small", d.Small);
    s.Small2 = ReadFlag(p, "Small2", d.Small2);
    const auto lastCon = ReadInteger(p, "LastCon");
    s.LastCon = lastCon && *lastCon >= 0 && *lastCon <= 0xFFFFFFFFLL ? *lastCon : d.LastCon;
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
    QSettings& p = *profile;
    WriteFlag(p, "AutoCon", s.AutoCon);
    Write(p, "AutoConDuration", s.AutoConDuration);
    WriteFlag(p, "AutoCompare", s.AutoCompare);
    WriteFlag(p, "Beep", s.Beep);
    WriteFlag(p, "SCR", s.SCR);
    WriteColour(p, "TxtColor", s.TxtColor);
    WriteColour(p, "BgColor", s.BgColor);
    WriteColour(p, "TxtColor2", s.TxtColor2);
    WriteColour(p, "BgColor2", s.BgColor2);
    WriteFlag(p, "Blink", s.Blink);
    WriteFlag(p, "Log", s.Log);
    WriteFlag(p, "Top", s.Top);
    WriteFlag(p, "Small", s.Small);
    WriteFlag(p, "Small2", s.Small2);
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
    Write(p, "LastCon", LastConCount(s.LastCon));
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
        std::fprintf(stderr, "hodra2: 설정(%s)을 저장할 수 없습니다: %s\n", what,
                     qPrintable(profile->fileName()));
        return false;
    }
    return true;
}

}  // namespace hodra

// The profile loader on arbitrary INI text.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>
#include <unistd.h>

#include "settings/settings_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QString path = QStringLiteral("/tmp/hodra-profile-fuzz-%1.conf").arg(getpid());
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            return 0;
        }
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    hodra::SettingsStore store(path);
    hodra::Settings s;
    store.Load(s);
    store.LoadWindowPosition(s);
    store.LoadWorldTimePosition(s);
    if (s.AutoConDuration < hodra::kMinAutoConDuration || s.AutoConDuration > hodra::kMaxAutoConDuration ||
        s.LastCon < 0 || s.LastCon > 0xFFFFFFFFLL) {
        __builtin_trap();
    }
    return 0;
}

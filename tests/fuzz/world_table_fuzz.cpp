// The world time table loader on arbitrary files.
#include <QByteArray>
#include <QString>
#include <cstdint>

#include "worldtime/dst_rules.h"
#include "worldtime/region_description.h"
#include "worldtime/world_time_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static hodra::WorldTimeTable table;
    table.Load(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (table.size() > hodra::WorldTimeTable::kCapacity) {
        __builtin_trap();
    }
    for (int i = 0; i < table.size() && i < 8; ++i) {
        (void)hodra::ComposeDescription(&table.at(i), 1796688000);
    }
    (void)table.Find(QStringLiteral("서울"));
    return 0;
}

// The world time table against the tz database: for every hour of 2026 through 2030,
// the time each region's clock shows must equal the local time of the zone it follows.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QTimeZone>
#include <map>

#include "build_info.h"
#include "worldtime/region_time.h"
#include "worldtime/world_time_table.h"

namespace hodra {
namespace {

std::map<QString, QByteArray> ReadZoneMap() {
    std::map<QString, QByteArray> zones;
    QFile file(QStringLiteral(HODRA_REGION_ZONES));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith('#')) {
            continue;
        }
        const QStringList parts = line.split('\t');
        zones[parts.value(0)] = parts.value(1).toUtf8();
    }
    return zones;
}

// The zone's UTC offset in seconds for each hour from `start`, from its transitions.
std::vector<int> HourlyOffsets(const QTimeZone& zone, qint64 start, int hours) {
    const QDateTime from = QDateTime::fromSecsSinceEpoch(start, Qt::UTC);
    const QDateTime to = QDateTime::fromSecsSinceEpoch(start + hours * 3600LL, Qt::UTC);
    const auto transitions = zone.transitions(from, to);
    std::vector<int> offsets(static_cast<std::size_t>(hours));
    int current = zone.offsetFromUtc(from);
    qsizetype next = 0;
    for (int h = 0; h < hours; ++h) {
        const qint64 t = start + h * 3600LL;
        while (next < transitions.size() && transitions[next].atUtc.toSecsSinceEpoch() <= t) {
            current = transitions[next++].offsetFromUtc;
        }
        offsets[static_cast<std::size_t>(h)] = current;
    }
    return offsets;
}

TEST(TzAgreement, EveryRegionEveryHourOf2026To2030) {
    QByteArray bytes;
    ASSERT_TRUE(ReadWorldTimeFile(std::string(kSourceResDir) + "/세계시간표2.txt", bytes));
    WorldTimeTable table;
    ASSERT_TRUE(table.Load(bytes));
    ASSERT_GE(table.size(), 200);
    const auto zones = ReadZoneMap();
    const qint64 start = QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC).toSecsSinceEpoch();
    const qint64 end = QDateTime(QDate(2031, 1, 1), QTime(0, 0), Qt::UTC).toSecsSinceEpoch();
    const int hours = static_cast<int>((end - start) / 3600);
    int regionsChecked = 0;
    for (int i = 0; i < table.size(); ++i) {
        const RegionEntry& e = table.at(i);
        const auto found = zones.find(e.displayName);
        ASSERT_NE(found, zones.end()) << "no zone for " << e.displayName.toStdString();
        const QTimeZone zone(found->second);
        ASSERT_TRUE(zone.isValid()) << found->second.toStdString();
        const std::vector<int> expected = HourlyOffsets(zone, start, hours);
        int mismatches = 0;
        std::string first;
        for (int h = 0; h < hours; ++h) {
            const std::time_t t = start + h * 3600LL;
            const int ours = static_cast<int>(RegionTimeAt(e, t).local.ToSeconds() - t);
            if (ours != expected[static_cast<std::size_t>(h)]) {
                if (mismatches++ == 0) {
                    first = QDateTime::fromSecsSinceEpoch(t, Qt::UTC).toString(Qt::ISODate).toStdString() + ": ours " +
                            std::to_string(ours / 60) + " min, tz " +
                            std::to_string(expected[static_cast<std::size_t>(h)] / 60) + " min";
                }
            }
        }
        EXPECT_EQ(mismatches, 0) << e.displayName.toStdString() << " (" << found->second.toStdString() << "), first at "
                                 << first;
        ++regionsChecked;
    }
    EXPECT_EQ(regionsChecked, static_cast<int>(zones.size())) << "every mapped name is in the table";
}

}  // namespace
}  // namespace hodra

#include "tools/worldtime_command.h"

#include <QByteArray>
#include <cstdio>
#include <ostream>

#include "worldtime/region_description.h"
#include "worldtime/region_time.h"
#include "worldtime/world_time_table.h"
#include "worldtime/worldtime_texts.h"

namespace hodra {

const char kWorldTimeUsage[] = "usage: hodra2-worldtime [--at YYYY-MM-DDTHH:MM:SSZ] [TEXT ...]";

namespace {

std::string Format(const WallTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return text;
}

std::string Offset(int minutes) {
    char text[16];
    const int m = minutes < 0 ? -minutes : minutes;
    std::snprintf(text, sizeof text, "%c%02d:%02d", minutes < 0 ? '-' : '+', m / 60, m % 60);
    return text;
}

const char* Daylight(const RegionEntry& e, const RegionTime& t) {
    if (e.dstStart == -1) {
        return "unknown";
    }
    return t.daylightSaving ? "yes" : "no";
}

bool Matches(const RegionEntry& e, const QStringList& texts) {
    if (texts.isEmpty()) {
        return true;
    }
    for (const QString& t : texts) {
        if (e.displayName.contains(t, Qt::CaseSensitive)) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::optional<std::time_t> ParseUtcInstant(const std::string& text) {
    WallTime t;
    char zulu = 0;
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c%n", &t.year, &t.month, &t.day, &t.hour, &t.minute,
                    &t.second, &zulu, &consumed) != 7 ||
        zulu != 'Z' || consumed != static_cast<int>(text.size())) {
        return std::nullopt;
    }
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 23 || t.minute > 59 || t.second > 60) {
        return std::nullopt;
    }
    const std::time_t seconds = t.ToSeconds();
    if (WallTime::FromSeconds(seconds).day != t.day && t.second != 60) {
        return std::nullopt;  // 31 April and the like
    }
    return seconds;
}

std::optional<WorldTimeOptions> ParseWorldTimeArguments(const std::vector<std::string>& args) {
    WorldTimeOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--at") {
            if (i + 1 >= args.size()) {
                return std::nullopt;
            }
            const auto at = ParseUtcInstant(args[++i]);
            if (!at) {
                return std::nullopt;
            }
            options.at = *at;
            options.atGiven = true;
        } else if (!args[i].empty() && args[i][0] == '-') {
            return std::nullopt;
        } else {
            options.texts << QString::fromStdString(args[i]);
        }
    }
    return options;
}

int RunWorldTimeCommand(const WorldTimeOptions& options, const std::string& tablePath, std::ostream& out,
                        std::ostream& err) {
    QByteArray bytes;
    WorldTimeTable table;
    if (tablePath.empty() || !ReadWorldTimeFile(tablePath, bytes)) {
        err << text::kNoWorldTimeFile << '\n';
        return 1;
    }
    table.Load(bytes);
    const std::time_t at = options.atGiven ? options.at : std::time(nullptr);
    int printed = 0;
    for (int i = 0; i < table.size(); ++i) {
        const RegionEntry& e = table.at(i);
        if (!Matches(e, options.texts)) {
            continue;
        }
        const RegionTime t = RegionTimeAt(e, at);
        QString description = ComposeDescription(&e, at);
        description.replace('\n', QStringLiteral(" / "));
        out << table.GroupOf(i).toStdString() << '\t' << e.displayName.toStdString() << '\t' << Format(t.local) << '\t'
            << Offset(e.offsetMinutes) << '\t' << Daylight(e, t) << '\t' << description.toStdString() << '\n';
        ++printed;
    }
    if (printed == 0) {
        err << text::kRegionNotFound << '\n';
        return 1;
    }
    return 0;
}

}  // namespace hodra

#pragma once

#include <QStringList>
#include <ctime>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace hodra {

struct WorldTimeOptions {
    std::time_t at = 0;
    bool atGiven = false;
    QStringList texts;  // empty: every region
};

extern const char kWorldTimeUsage[];

std::optional<WorldTimeOptions> ParseWorldTimeArguments(const std::vector<std::string>& args);
// "2026-03-08T07:00:00Z" as seconds since 1970 (UTC).
std::optional<std::time_t> ParseUtcInstant(const std::string& text);

// One line per matching region: group, name, local date-time, offset from Korea,
// daylight saving (yes / no / unknown) and the description, tab-separated.
int RunWorldTimeCommand(const WorldTimeOptions& options, const std::string& tablePath, std::ostream& out,
                        std::ostream& err);

}  // namespace hodra

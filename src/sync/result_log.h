#pragma once

#include <cstdint>
#include <string>

namespace hodra {

// "HodraLog.txt": one line per successful synchronisation, appended, never truncated.
class ResultLog {
public:
    static constexpr char kDefaultPath[] = "HodraLog.txt";

    explicit ResultLog(std::string path = kDefaultPath) : path(std::move(path)) {}

    // Local time of lastCon and the PC's error before the correction (-offset).
    static std::string FormatLine(std::int64_t lastCon, double offset);
    // One write of the whole line, so concurrent appenders never interleave.
    // A log that cannot be opened costs one line on stderr; the run goes on.
    bool Append(std::int64_t lastCon, double offset);

private:
    std::string path;
};

}  // namespace hodra

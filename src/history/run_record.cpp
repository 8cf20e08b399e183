#include "history/run_record.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <sstream>
#include <vector>

#include "sync/compare_text.h"
#include "sync/sync_operation.h"

namespace hodra {
namespace {

constexpr std::size_t kFields = 11;
constexpr int kDecimals = 9;

std::string Number(const std::optional<double>& value, bool withSign) {
    return value ? FormatFixed(*value, kDecimals, withSign) : std::string();
}

std::string Time(std::int64_t utcMs) {
    const std::time_t seconds = static_cast<std::time_t>(utcMs / 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(utcMs % 1000));
    return text;
}

std::optional<std::int64_t> ParseTime(const std::string& text) {
    std::tm utc{};
    int ms = 0;
    char zone = 0;
    int used = 0;
    if (text.size() != 24 ||
        std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d.%3d%c%n", &utc.tm_year, &utc.tm_mon, &utc.tm_mday,
                    &utc.tm_hour, &utc.tm_min, &utc.tm_sec, &ms, &zone, &used) != 8 ||
        used != 24 || zone != 'Z' || utc.tm_mon < 1 || utc.tm_mon > 12 || utc.tm_mday < 1 || utc.tm_mday > 31 ||
        utc.tm_hour > 23 || utc.tm_min > 59 || utc.tm_sec > 60 || ms < 0) {
        return std::nullopt;
    }
    utc.tm_year -= 1900;
    utc.tm_mon -= 1;
    return std::int64_t{timegm(&utc)} * 1000 + ms;
}

// A number as written, to the nanosecond, or nothing for an empty field; false for anything
// else, a number cut short too (a line a crash ended early, then joined to a newline).
bool ParseNumber(const std::string& text, std::optional<double>& out) {
    if (text.empty()) {
        out.reset();
        return true;
    }
    if (const auto point = text.find('.');
        point == std::string::npos || text.size() - point - 1 != std::size_t{kDecimals}) {
        return false;
    }
    const char* begin = text.data() + (text[0] == '+' ? 1 : 0);
    double value = 0.0;
    const auto [end, ec] = std::from_chars(begin, text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
        return false;
    }
    out = value;
    return true;
}

}  // namespace

RunRecord RecordOf(const SyncOutcome& o, std::int64_t utcMs) {
    RunRecord r;
    r.utcMs = utcMs;
    r.synchronise = o.synchronise;
    r.automatic = o.automatic;
    r.result = o.result;
    r.server = o.serverHost;
    r.address = o.serverAddress;
    if (o.Answered()) {
        r.offset = o.offset;
        r.delay = o.delay;
        r.stratum = o.stratum;
        r.authenticated = o.authenticated;
    }
    if (o.ClockSet()) {
        r.step = o.offset;
    }
    return r;
}

std::string FormatRecord(const RunRecord& r) {
    std::ostringstream line;
    line << Time(r.utcMs) << '\t' << (r.synchronise ? "sync" : "compare") << '\t' << (r.automatic ? "auto" : "user")
         << '\t' << ResultWord(r.result) << '\t' << r.server << '\t' << r.address << '\t' << Number(r.offset, true)
         << '\t' << Number(r.delay, false) << '\t' << r.stratum << '\t' << (r.authenticated ? "nts" : "none") << '\t'
         << Number(r.step, true) << '\n';
    return line.str();
}

std::optional<RunRecord> ParseRecord(const std::string& line) {
    std::vector<std::string> f;
    std::size_t from = 0;
    for (std::size_t tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t', from)) {
        f.push_back(line.substr(from, tab - from));
        from = tab + 1;
    }
    f.push_back(line.substr(from));
    if (f.size() != kFields) {
        return std::nullopt;
    }
    RunRecord r;
    const auto time = ParseTime(f[0]);
    int stratum = -1;
    const std::optional<RunResult> result = ResultOfWord(f[3]);
    const auto [end, ec] = std::from_chars(f[8].data(), f[8].data() + f[8].size(), stratum);
    if (!time || (f[1] != "compare" && f[1] != "sync") || (f[2] != "auto" && f[2] != "user") || !result ||
        !ParseNumber(f[6], r.offset) || !ParseNumber(f[7], r.delay) || !ParseNumber(f[10], r.step) ||
        ec != std::errc() || end != f[8].data() + f[8].size() || stratum < 0 || stratum > 16 ||
        (f[9] != "nts" && f[9] != "none")) {
        return std::nullopt;
    }
    r.utcMs = *time;
    r.synchronise = f[1] == "sync";
    r.automatic = f[2] == "auto";
    r.result = *result;
    r.server = f[4];
    r.address = f[5];
    r.stratum = stratum;
    r.authenticated = f[9] == "nts";
    return r;
}

}  // namespace hodra

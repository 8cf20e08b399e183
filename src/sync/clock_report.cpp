#include "sync/clock_report.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <map>
#include <sstream>

#include "sync/compare_text.h"

namespace hodra {

namespace {

std::map<std::string, std::string> Fields(const std::string& line) {
    std::map<std::string, std::string> fields;
    std::istringstream words(line);
    for (std::string word; words >> word;) {
        const auto equals = word.find('=');
        if (equals != std::string::npos) {
            fields[word.substr(0, equals)] = word.substr(equals + 1);
        }
    }
    return fields;
}

template <typename T>
bool Number(const std::string& text, T& value) {
    const char* begin = text.data();
    if (!text.empty() && text[0] == '+') {
        ++begin;
    }
    const char* end = text.data() + text.size();
    const auto [stop, ec] = std::from_chars(begin, end, value);
    return ec == std::errc() && stop == end;
}

}  // namespace

std::string FormatClockReport(const SyncOutcome& o) {
    std::string line;
    if (o.Answered()) {
        line = "server=" + o.serverHost + " address=" + o.serverAddress + " offset=" + FormatFixed(o.offset, 9, true) +
               " delay=" + FormatFixed(o.delay, 9) + " stratum=" + std::to_string(o.stratum) + " ";
    }
    line += "answered=" + std::to_string(o.serverId) + " outcome=" + ResultWord(o.result);
    if (o.Answered()) {
        line += std::string(" transmit=") + (o.kernelTransmitStamp ? "kernel" : "user") +
                " receive=" + (o.kernelReceiveStamp ? "kernel" : "user") +
                " auth=" + (o.authenticated ? "nts" : "none") + " samples=" + std::to_string(o.validReplies) + "/" +
                std::to_string(o.requestsSent);
    }
    return line;
}

bool ParseClockReport(const std::string& text, SyncOutcome& out) {
    const auto at = text.rfind("answered=");
    if (at == std::string::npos) {
        return false;
    }
    const auto newline = text.rfind('\n', at);
    const auto begin = newline == std::string::npos ? 0 : newline + 1;
    const auto end = text.find('\n', at);
    auto fields = Fields(text.substr(begin, end == std::string::npos ? std::string::npos : end - begin));
    const std::optional<RunResult> result = ResultOfWord(fields["outcome"]);
    if (!result || !Number(fields["answered"], out.serverId) || out.serverId < 1) {
        return false;
    }
    out.result = *result;
    if (out.Answered()) {
        out.serverHost = fields["server"];
        out.serverAddress = fields["address"];
        if (!Number(fields["offset"], out.offset) || !Number(fields["delay"], out.delay) ||
            !Number(fields["stratum"], out.stratum) || !std::isfinite(out.offset) || !std::isfinite(out.delay)) {
            return false;
        }
    }
    out.kernelTransmitStamp = fields["transmit"] == "kernel";
    out.kernelReceiveStamp = fields["receive"] == "kernel";
    out.authenticated = fields["auth"] == "nts";
    // Older helpers have no samples; a burst's counts are for diagnostics only.
    const std::string& samples = fields["samples"];
    if (const auto slash = samples.find('/'); slash != std::string::npos) {
        (void)Number(samples.substr(0, slash), out.validReplies);
        (void)Number(samples.substr(slash + 1), out.requestsSent);
    }
    out.setError = out.result == RunResult::NotPermitted ? EPERM : 0;
    return true;
}

}  // namespace hodra

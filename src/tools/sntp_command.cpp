#include "sntp_command.h"

#include <cstring>
#include <ostream>

#include "clock_setter.h"
#include "compare_text.h"
#include "host_port.h"
#include "messages.h"
#include "sntp_client.h"

namespace hodra {

const char kSntpUsage[] = "usage: hodra2-sntp [--sync] [host[:port] ...]";

namespace {

std::string Describe(const SntpClient& client) {
    std::string reason = DescribeSntpError(client.LastError());
    if (!client.LastDetail().empty()) {
        reason += " (" + client.LastDetail() + ")";
    }
    return reason;
}

void PrintResult(const std::string& hostText, const SntpResult& result, std::ostream& out) {
    const auto target = SplitHostPort(hostText, kNtpPort);
    out << CompareText(result.offset) << '\n'
        << "server=" << target->host << ':' << target->port << " address=" << result.serverAddress
        << " offset=" << FormatFixed(result.offset, 6, true) << " delay=" << FormatFixed(RoundTripDelay(result), 6)
        << " stratum=" << unsigned{result.stratum} << '\n';
}

}  // namespace

std::optional<SntpCommandOptions> ParseSntpArguments(const std::vector<std::string>& args,
                                                     const std::vector<std::string>& defaultHosts) {
    SntpCommandOptions options;
    for (const std::string& arg : args) {
        if (arg == "--sync") {
            options.sync = true;
        } else if (arg == "-h" || arg == "--help") {
            options.help = true;
        } else if (!arg.empty() && arg[0] == '-') {
            return std::nullopt;
        } else if (SplitHostPort(arg, kNtpPort)) {
            options.hosts.push_back(arg);
        } else {
            return std::nullopt;
        }
    }
    if (options.hosts.empty()) {
        options.hosts = defaultHosts;
    }
    return options;
}

int RunSntpCommand(const SntpCommandOptions& options, SntpClient& client, ClockSetter& setter,
                   std::ostream& out, std::ostream& err) {
    SntpResult result;
    result.Clear();
    const std::string* answered = nullptr;
    for (const std::string& host : options.hosts) {
        if (client.Exchange(host, result, kNtpPort)) {
            answered = &host;
            break;
        }
        err << "hodra2-sntp: " << host << ": " << Describe(client) << '\n';
    }
    if (answered == nullptr) {
        out << text::kNoResponse << '\n';
        return kExitNoAnswer;
    }
    PrintResult(*answered, result, out);
    if (!options.sync) {
        return kExitAnswered;
    }
    const NtpTimestamp target = AddSeconds(NtpTimestamp::Now(), result.offset);
    if (!setter.SetClock(target)) {
        out << text::kSyncFailed << '\n';
        err << "hodra2-sntp: " << std::strerror(setter.LastError()) << '\n';
        return kExitSetFailed;
    }
    out << text::kSynchronised << '\n';
    return kExitAnswered;
}

}  // namespace hodra

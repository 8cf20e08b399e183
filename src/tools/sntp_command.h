#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace hodra {

class SntpClient;
class ClockSetter;

struct SntpCommandOptions {
    bool sync = false;
    bool help = false;
    std::vector<std::string> hosts;
};

inline constexpr int kExitAnswered = 0;
inline constexpr int kExitNoAnswer = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitSetFailed = 3;

extern const char kSntpUsage[];

// Nothing when the arguments are not of the usage's form. Without hosts the defaults
// are asked.
std::optional<SntpCommandOptions> ParseSntpArguments(const std::vector<std::string>& args,
                                                     const std::vector<std::string>& defaultHosts);

// Asks the hosts in order, stops at the first that answers, reports, and with --sync
// sets the clock. Returns the exit status.
int RunSntpCommand(const SntpCommandOptions& options, SntpClient& client, ClockSetter& setter,
                   std::ostream& out, std::ostream& err);

}  // namespace hodra

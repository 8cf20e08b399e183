#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "sync/run_result.h"

namespace hodra {

class CancelToken;
class SyncOperation;
struct SyncOutcome;

struct SntpCommandOptions {
    bool sync = false;
    bool help = false;
    bool hostsGiven = false;        // false: the deployment servers
    bool kernelStampsOnly = false;  // with a capability borrowed under AT_SECURE: see SyncRequest
    bool allowLargeStep = false;    // --allow-large-step: a step over maxStep may be made
    bool automatic = false;         // --auto: a program's timer asked, not a person (the journal says so)
    // --step-budget SECONDS: this run may step at most that far (an automatic run's share of
    // MaxStep that the last 24 hours left); it only ever narrows the limit.
    std::optional<double> stepBudget{};
    double maxStep = 0.0;   // the deployment's MaxStep; 0: no limit
    std::string ntsCaFile;  // --nts-ca FILE: the certificates nts:// servers chain to
    std::vector<std::string> hosts;
};

// The run's exit statuses are its result's (run_result.h); this one is the command line's.
inline constexpr int kExitUsage = 2;

extern const char kSntpUsage[];

// Nothing when the arguments are not of the usage's form. Without hosts the defaults
// are asked.
std::optional<SntpCommandOptions> ParseSntpArguments(const std::vector<std::string>& args,
                                                     const std::vector<std::string>& defaultHosts);

// Why these options may not run when the program holds a capability its caller lacks (only
// the administrator's servers may set the clock then); empty when they may.
std::string RefusalUnderAtSecure(const SntpCommandOptions& options);

// Asks the hosts in order, stops at the first that answers, and with --sync sets the
// clock. A raised cancel ends the run at once (the helper itself is stopped by a signal
// instead).
SyncOutcome RunSntpRequest(const SntpCommandOptions& options, SyncOperation& operation,
                           const CancelToken* cancel = nullptr);
// Prints the compare text, the outcome and the report line; returns the exit status.
int ReportSntpOutcome(const SntpCommandOptions& options, const SyncOutcome& outcome, std::ostream& out,
                      std::ostream& err);
// The two in one.
int RunSntpCommand(const SntpCommandOptions& options, SyncOperation& operation, std::ostream& out, std::ostream& err,
                   const CancelToken* cancel = nullptr);

}  // namespace hodra

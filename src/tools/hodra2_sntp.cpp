// hodra2-sntp: the time core from the command line (query, compare, sync), and the one
// program that may hold CAP_SYS_TIME. With --sync it runs as two processes:
// a keeper that holds the capability and makes one bounded step, and this one, which gives the
// capability up and confines itself before it resolves a name or reads a datagram.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <limits>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

#include "build_info.h"
#include "platform/clock_keeper.h"
#include "platform/clock_linux.h"
#include "time/clock_setter.h"
#include "sync/compare_text.h"
#include "settings/deployment.h"
#include "time/host_port.h"
#include "platform/keeper_clock_driver.h"
#include "time/nts_key_exchange.h"
#include "platform/run_journal.h"
#include "time/sntp_client.h"
#include "tools/sntp_command.h"
#include "sync/sync_operation.h"
#include "platform/syscall_filter.h"
#include "platform/termination_hold.h"
#include "settings/settings_texts.h"
#include "time/time_texts.h"
#include "tools/tool_texts.h"

namespace {

// With a capability borrowed under AT_SECURE only the administrator decides where the time comes from: the
// caller's environment (XDG_*, HOME, locale paths) is dropped before anything reads it.
bool LoadServers(bool borrowed, hodra::Deployment& deployment) {
    if (!borrowed) {
        deployment = hodra::LoadDeployment();
        return true;
    }
    const hodra::AdministratorDeployment admin =
        hodra::ReadAdministratorDeployment(hodra::kAdministratorDeploymentFile);
    if (admin.verdict == hodra::AdministratorDeployment::Verdict::Refused) {
        std::cerr << "hodra2-sntp: " << hodra::text::kDeploymentNotUsed << admin.reason << '\n';
        return false;
    }
    deployment = admin.values;
    return true;
}

void SayWhatWasIgnored(const hodra::Deployment& deployment) {
    if (deployment.ignoredMaxStep) {
        std::cerr << "hodra2-sntp: "
                  << hodra::text::Fill(hodra::text::kMaxStepIgnored, *deployment.ignoredMaxStep,
                                       hodra::FormatFixed(hodra::Deployment::kDefaultMaxStep, 0))
                  << '\n';
    }
}

// Whom the certificate of an nts:// server must chain to: the caller's file, the
// deployment's, or the system's store. With a capability borrowed under AT_SECURE only a file of the
// administrator's counts.
bool LoadNtsTrust(bool borrowed, const hodra::Deployment& deployment, const hodra::SntpCommandOptions& options,
                  hodra::SntpClient& client) {
    const std::string& path = options.ntsCaFile.empty() ? deployment.ntsTrustedCerts : options.ntsCaFile;
    if (path.empty()) {
        return true;
    }
    const hodra::AdministratorFile file = hodra::ReadTrustedCertificates(path, borrowed);
    if (!file.trusted) {
        std::cerr << "hodra2-sntp: " << hodra::text::kTrustFileNotUsed << file.reason << '\n';
        return false;
    }
    client.SetNtsTrust({file.text});
    return true;
}

bool AsksNtsServer(const std::vector<std::string>& hosts) {
    for (const std::string& host : hosts) {
        const auto server = hodra::ParseServerName(host, hodra::kNtpPort);
        if (server && server->nts) {
            return true;
        }
    }
    return false;
}

// What the network process does before it confines itself: GnuTLS is loaded now, so that
// its loading needs nothing of the filter.
void PrepareForNetwork(const hodra::SntpCommandOptions& options) {
    if (AsksNtsServer(options.hosts)) {
        (void)hodra::nts::PreloadTls();
    }
}

// The keeper's bound: MaxStep, narrowed by this run's budget. It is fixed before the keeper
// starts and never taken from the network process.
hodra::StepBound Bound(const hodra::SntpCommandOptions& options, double maxStep) {
    constexpr double kLongest = 9.2e18;  // nanoseconds, below the largest 64-bit count
    double limit = maxStep;
    if (options.stepBudget) {
        limit = maxStep > 0.0 ? std::min(maxStep, *options.stepBudget) : *options.stepBudget;
    }
    const double nanoseconds = limit * 1e9;
    std::optional<std::int64_t> bound;
    if (limit > 0.0 || options.stepBudget) {
        bound = nanoseconds >= kLongest ? std::numeric_limits<std::int64_t>::max() : std::llround(nanoseconds);
    }
    return {bound, options.allowLargeStep};
}

// A run that only compares holds no capability: it is confined where the kernel allows, and
// runs all the same where not.
int Compare(const hodra::SntpCommandOptions& options, hodra::SntpClient& client) {
    if (!hodra::DropAllPrivileges()) {
        return hodra::kExitUsage;
    }
    PrepareForNetwork(options);
    (void)hodra::ConfineNetworkProcess();
    hodra::SyncOperation operation(client, nullptr);
    return hodra::RunSntpCommand(options, operation, std::cout, std::cerr);
}

// The keeper holds the capability and makes the one step; this process gives the capability up,
// confines itself before it meets the network, and never runs unconfined while a keeper
// waits for its word.
int Synchronise(hodra::SntpCommandOptions& options, hodra::SntpClient& client, bool borrowed, double maxStep) {
    // With a capability borrowed under AT_SECURE only the kernel's own relative step: reading the clock and then
    // setting it would let a caller who stops the helper in between set any time.
    hodra::KeeperLink keeper = hodra::StartClockKeeper(Bound(options, maxStep), !borrowed);
    // Destroyed last: the report is out before a stop held off meanwhile takes effect.
    hodra::TerminationHold hold;
    PrepareForNetwork(options);
    const int confined = hodra::DropAllPrivileges() ? hodra::ConfineNetworkProcess() : EPERM;
    if (confined != 0) {
        hodra::StopClockKeeper(keeper);
        std::cerr << hodra::text::Fill(hodra::text::kNotConfined, std::strerror(confined)) << '\n';
        return hodra::kExitSetFailed;
    }
    // The keeper confined itself meanwhile; no server is asked before it says so.
    if (keeper.error != 0 || !hodra::AwaitClockKeeper(keeper)) {
        const char* why = keeper.unconfined ? hodra::text::kKeeperNotConfined : hodra::text::kKeeperNotStarted;
        std::cerr << hodra::text::Fill(why, std::strerror(keeper.error)) << '\n';
        return hodra::kExitSetFailed;
    }
    hodra::KeeperClockDriver driver(keeper.fd.Get(), hold);
    hodra::ClockSetter setter(driver);
    setter.AllowAbsoluteFallback(false);  // the keeper's to decide, as it was told at its start
    // A stamp of our own serves only within a short round trip: a caller who lent us the
    // capability (AT_SECURE) could stop us around it, but not by more than the trip took.
    options.kernelStampsOnly = borrowed;
    // The limit is the administrator's too; --allow-large-step is honoured under AT_SECURE
    // too, since a large step still needs a second of the administrator's servers to agree.
    options.maxStep = maxStep;
    hodra::SyncOperation operation(client, &setter);
    const hodra::SyncOutcome outcome = hodra::RunSntpRequest(options, operation);
    const int status = hodra::ReportSntpOutcome(options, outcome, std::cout, std::cerr);
    // Every step asked of the helper, made or not, with the caller's uid (journald adds it).
    hodra::SendRunToJournal(outcome, hodra::kHelperJournalName);
    driver.Finish();
    hodra::StopClockKeeper(keeper);
    return status;
}

// Under a filter nothing may run after the report that the filter would refuse (exit
// handlers, library destructors, a sanitizer's leak check): the output is flushed and the
// process ends at once.
[[noreturn]] void EndConfined(int status) {
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    _exit(status);
}

}  // namespace

int main(int argc, char** argv) {
    const bool borrowed = hodra::RunsUnderAtSecure();
    if (borrowed) {
        clearenv();
    }
    if (!hodra::DropPrivilegesAtStart()) {
        std::cerr << hodra::text::kHelperCannotDropCapabilities;
        return hodra::kExitUsage;
    }
    if (argc < 1) {
        return hodra::kExitUsage;  // started without even its own name
    }
    hodra::Deployment deployment;
    if (!LoadServers(borrowed, deployment)) {
        return hodra::kExitUsage;
    }
    SayWhatWasIgnored(deployment);
    const std::vector<std::string> args(argv + 1, argv + argc);
    auto options = hodra::ParseSntpArguments(args, {deployment.primaryHost, deployment.secondaryHost});
    if (!options) {
        std::cerr << hodra::kSntpUsage << '\n';
        return hodra::kExitUsage;
    }
    if (options->help) {
        std::cout << hodra::kSntpUsage << '\n';
        return hodra::kExitAnswered;
    }
    if (const std::string refusal = borrowed ? hodra::RefusalUnderAtSecure(*options) : ""; !refusal.empty()) {
        std::cerr << refusal << '\n';
        return hodra::kExitUsage;
    }
    hodra::SntpClient client;
    if (!LoadNtsTrust(borrowed, deployment, *options, client)) {
        return hodra::kExitUsage;
    }
    EndConfined(options->sync ? Synchronise(*options, client, borrowed, deployment.maxStep)
                              : Compare(*options, client));
}

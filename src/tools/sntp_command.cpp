#include "tools/sntp_command.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <ostream>

#include "sync/clock_report.h"
#include "sync/compare_text.h"
#include "time/exchanger.h"
#include "time/host_port.h"
#include "sync/sync_texts.h"
#include "sync/sync_operation.h"
#include "tools/tool_texts.h"

namespace hodra {

const char kSntpUsage[] =
    "usage: hodra2-sntp [--sync [--allow-large-step | --step-budget SECONDS] [--auto]] [--nts-ca FILE] "
    "[host[:port] | [v6]:port | nts://host[:port] ...]";

namespace {

// Seconds, 0 or more, as the window writes them ("12.345").
std::optional<double> Seconds(const std::string& text) {
    double seconds = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || !std::isfinite(seconds) ||
        seconds < 0.0) {
        return std::nullopt;
    }
    return seconds;
}

}  // namespace

std::optional<SntpCommandOptions> ParseSntpArguments(const std::vector<std::string>& args,
                                                     const std::vector<std::string>& defaultHosts) {
    SntpCommandOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--nts-ca") {
            if (i + 1 == args.size() || args[i + 1].empty()) {
                return std::nullopt;
            }
            options.ntsCaFile = args[++i];
        } else if (arg == "--sync") {
            options.sync = true;
        } else if (arg == "--allow-large-step") {
            options.allowLargeStep = true;
        } else if (arg == "--auto") {
            options.automatic = true;
        } else if (arg == "--step-budget") {
            options.stepBudget = i + 1 < args.size() ? Seconds(args[++i]) : std::nullopt;
            if (!options.stepBudget) {
                return std::nullopt;
            }
        } else if (arg == "-h" || arg == "--help") {
            options.help = true;
        } else if (!arg.empty() && arg[0] == '-') {
            return std::nullopt;
        } else if (ParseServerName(arg, kNtpPort)) {
            options.hosts.push_back(arg);
        } else {
            return std::nullopt;
        }
    }
    if (((options.allowLargeStep || options.automatic || options.stepBudget) && !options.sync) ||
        (options.allowLargeStep && options.stepBudget)) {
        return std::nullopt;
    }
    options.hostsGiven = !options.hosts.empty();
    if (!options.hostsGiven) {
        options.hosts = defaultHosts;
    }
    return options;
}

std::string RefusalUnderAtSecure(const SntpCommandOptions& options) {
    if (options.sync && options.hostsGiven) {
        return text::kOnlyAdministratorsServers;
    }
    if (!options.ntsCaFile.empty()) {
        return text::kOnlyAdministratorsTrust;
    }
    return {};
}

namespace {

std::string LimitText(const SntpCommandOptions& options, double offset) {
    const std::string size = FormatFixed(std::abs(offset), 3);
    if (options.stepBudget && std::abs(offset) > *options.stepBudget) {
        return text::Fill(text::kOverStepBudget, size, FormatFixed(*options.stepBudget, 3));
    }
    return text::Fill(text::kOverStepLimit, size, FormatFixed(options.maxStep, 0));
}

}  // namespace

SyncOutcome RunSntpRequest(const SntpCommandOptions& options, SyncOperation& operation, const CancelToken* cancel) {
    SyncRequest request;
    request.synchronise = options.sync;
    request.hosts = options.hosts;
    request.kernelStampsOnly = options.kernelStampsOnly;
    request.maxStep = options.maxStep;
    request.allowLargeStep = options.allowLargeStep;
    request.stepBudget = options.stepBudget;
    request.automatic = options.automatic;
    SyncOutcome outcome = cancel != nullptr ? operation.Run(request, *cancel) : operation.Run(request);
    outcome.automatic = request.automatic;
    return outcome;
}

int ReportSntpOutcome(const SntpCommandOptions& options, const SyncOutcome& outcome, std::ostream& out,
                      std::ostream& err) {
    for (const RunFailure& failure : outcome.failures) {
        err << "hodra2-sntp: " << Describe(failure) << '\n';
    }
    if (!outcome.Answered()) {
        out << text::kNoResponse << '\n' << FormatClockReport(outcome) << '\n';
        return ExitStatusOf(outcome.result);
    }
    out << CompareText(outcome.offset) << '\n';
    if (options.sync) {
        out << ResultMessage(outcome) << '\n';
        if (outcome.result == RunResult::TooLarge) {
            err << "hodra2-sntp: " << LimitText(options, outcome.offset) << '\n';
        } else if (outcome.result == RunResult::NotPermitted || outcome.result == RunResult::Failed) {
            err << "hodra2-sntp: " << std::strerror(outcome.setError) << '\n';
        }
    }
    out << FormatClockReport(outcome) << '\n';
    return ExitStatusOf(outcome.result);
}

int RunSntpCommand(const SntpCommandOptions& options, SyncOperation& operation, std::ostream& out, std::ostream& err,
                   const CancelToken* cancel) {
    return ReportSntpOutcome(options, RunSntpRequest(options, operation, cancel), out, err);
}

}  // namespace hodra

#include "sync/sync_operation.h"

#include <cerrno>
#include <cmath>

#include "time/cancel_token.h"
#include "time/clock_setter.h"
#include "time/exchanger.h"
#include "time/host_port.h"

namespace hodra {
namespace {

// A caller who may stop this process could shift a stamp we read ourselves, and the offset
// with it; the kernel's stamps are taken in the network path, out of its reach. Our own
// stamps still serve when the round trip was short: the offset they give is wrong by at
// most half of it, however the caller played with them. So for the second source too.
bool StampsOutOfReach(const SyncRequest& request, bool kernelStamps, double delay) {
    return !request.kernelStampsOnly || kernelStamps || delay < kLongestTripForOwnStamps;
}

}  // namespace

SyncOutcome SyncOperation::Run(const SyncRequest& request, const CancelToken& cancel) {
    return RunWatching(request, &cancel);
}

SyncOutcome SyncOperation::Run(const SyncRequest& request) {
    return RunWatching(request, nullptr);
}

SyncOutcome SyncOperation::RunWatching(const SyncRequest& request, const CancelToken* cancel) {
    SyncOutcome out;
    out.synchronise = request.synchronise;
    out.systemKeepsClock = request.systemKeepsClock;
    if (!Measure(request, cancel, out)) {
        return out;
    }
    // A compare ends with the measurement (Compared).
    if (request.synchronise && MayStepThatFar(request, cancel, out)) {
        Synchronise(request, out);
    }
    return out;
}

bool SyncOperation::Measure(const SyncRequest& request, const CancelToken* cancel, SyncOutcome& out) {
    for (std::size_t i = 0; i < request.hosts.size(); ++i) {
        const std::string& host = request.hosts[i];
        const ExchangeResult asked = exchanger.Exchange(host, kNtpPort, cancel, nullptr);
        if (asked) {
            const SntpResult& result = *asked.reply;
            const auto name = ParseServerName(host, kNtpPort);
            out.result = RunResult::Compared;
            out.serverId = static_cast<std::int32_t>(i + 1);
            out.serverHost = name ? name->Text() : host;
            out.serverAddress = result.serverAddress;
            out.serverPort = result.serverPort;
            out.offset = result.offset;
            out.delay = RoundTripDelay(result);
            out.stratum = result.stratum;
            out.kernelTransmitStamp = result.kernelTransmitStamp;
            out.kernelReceiveStamp = result.kernelReceiveStamp;
            out.authenticated = result.authenticated;
            out.validReplies = result.validReplies;
            out.requestsSent = result.requestsSent;
            out.referenceId = result.referenceId;
            out.referenceTime = result.reference.Value();
            return true;
        }
        out.failures.push_back({.kind = RunFailure::Kind::NoReply, .host = host, .exchange = asked});
    }
    out.serverId = static_cast<std::int32_t>(request.hosts.size() + 1);
    out.result = RunResult::NoAnswer;
    return false;
}

bool SyncOperation::MayStepThatFar(const SyncRequest& request, const CancelToken* cancel, SyncOutcome& out) {
    const double size = std::abs(out.offset);
    const bool overBudget = request.stepBudget && size > *request.stepBudget;
    if (!overBudget && (request.maxStep <= 0.0 || size <= request.maxStep)) {
        return true;
    }
    if (!request.allowLargeStep || overBudget) {
        out.result = RunResult::TooLarge;
        return false;
    }
    // An authenticated answer is its own confirmation: nobody on the path could have forged it.
    if (!out.authenticated && !Confirm(request, cancel, out)) {
        out.result = RunResult::Unconfirmed;
        return false;
    }
    return true;
}

// The first other source that answers decides; one that disagrees is not outvoted by a
// third. The other hosts come first, then another address of the host that answered.
bool SyncOperation::Confirm(const SyncRequest& request, const CancelToken* cancel, SyncOutcome& out) {
    const AnsweredBy first{out.serverAddress, out.serverPort};
    std::vector<std::string> sources;
    for (std::size_t i = 0; i < request.hosts.size(); ++i) {
        if (static_cast<std::int32_t>(i + 1) != out.serverId) {
            sources.push_back(request.hosts[i]);
        }
    }
    sources.push_back(request.hosts.at(static_cast<std::size_t>(out.serverId - 1)));
    for (const std::string& host : sources) {
        const ExchangeResult asked = exchanger.Exchange(host, kNtpPort, cancel, &first);
        if (!asked) {
            out.failures.push_back({.kind = RunFailure::Kind::NoReply, .host = host, .exchange = asked});
            continue;
        }
        const SntpResult& second = *asked.reply;
        const double delay = RoundTripDelay(second);
        // Another address of one server (IPv4 and IPv6 of a dual-stack host) is no second
        // source. Orphan-mode servers send no reference time: two of them look alike there.
        if (out.referenceTime != 0 && second.referenceId == out.referenceId &&
            second.reference.Value() == out.referenceTime) {
            out.failures.push_back({.kind = RunFailure::Kind::SameServer, .host = host});
            continue;
        }
        if (!StampsOutOfReach(request, second.kernelTransmitStamp && second.kernelReceiveStamp, delay)) {
            out.failures.push_back({.kind = RunFailure::Kind::NoKernelStamps, .host = host});
            continue;
        }
        if (OffsetsAgree(out.offset, out.delay, second.offset, delay)) {
            return true;
        }
        out.failures.push_back(
            {.kind = RunFailure::Kind::Disagrees, .host = host, .offset = second.offset, .firstOffset = out.offset});
        return false;
    }
    out.failures.push_back({.kind = RunFailure::Kind::NoSecondSource});
    return false;
}

void SyncOperation::Synchronise(const SyncRequest& request, SyncOutcome& out) {
    if (setter == nullptr) {
        out.setError = EPERM;
        out.result = RunResult::NotPermitted;
        return;
    }
    if (!StampsOutOfReach(request, out.kernelTransmitStamp && out.kernelReceiveStamp, out.delay)) {
        out.setError = EOPNOTSUPP;
        out.failures.push_back({.kind = RunFailure::Kind::NoKernelStamps});
        out.result = RunResult::Failed;
        return;
    }
    // The whole offset is applied, as one relative step: no reading of the clock in between.
    if (const ClockSetter::Stepped stepped = setter->StepClock(out.offset); !stepped) {
        out.setError = stepped.error;
        out.result = out.setError == EPERM ? RunResult::NotPermitted : RunResult::Failed;
        return;
    }
    out.result = RunResult::Set;
}

void SyncOperation::SettleSystemStep(SyncOutcome& outcome, bool stepped) {
    outcome.result = stepped ? RunResult::Set : RunResult::Failed;
}

std::string ResultMessage(const SyncOutcome& outcome) {
    return ResultMessage(outcome.result, outcome.offset, outcome.systemKeepsClock);
}

bool OffsetsAgree(double firstOffset, double firstDelay, double secondOffset, double secondDelay) {
    return std::abs(firstOffset - secondOffset) <= 1.0 + (firstDelay + secondDelay) / 2;
}

}  // namespace hodra

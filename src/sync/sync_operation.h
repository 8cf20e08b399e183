#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sync/run_failure.h"
#include "sync/run_result.h"

namespace hodra {

class Exchanger;
class ClockSetter;
class CancelToken;

// The round trip under which a step on our own stamps errs by at most half of it.
inline constexpr double kLongestTripForOwnStamps = 0.050;

struct SyncRequest {
    bool synchronise = false;        // false: compare only
    std::vector<std::string> hosts;  // asked in order until one answers
    bool automatic = false;          // started by the window itself (start-up or timer)
    bool startUp = false;            // the window's compare as it starts (also automatic)
    bool systemKeepsClock = false;   // the system's time service keeps the clock
    // Step on our own stamps of sending or arrival only within a short round trip (the
    // kernel's stamps always serve).
    bool kernelStampsOnly = false;
    // A step larger than this (seconds; 0: no limit) is made only when allowed, and only
    // when a second source agrees with the first.
    double maxStep = 0.0;
    bool allowLargeStep = false;  // the user agreed to a step over the limit for this run
    // An automatic run's share of maxStep that the automatic steps of the last 24 hours left
    // (seconds): a larger step is too large for it, as one over maxStep is.
    std::optional<double> stepBudget{};
};

// What a run found; the UI thread applies it (the worker writes no shared state).
struct SyncOutcome {
    bool synchronise = false;       // the run was asked to set the clock
    bool automatic = false;         // started by the window itself
    bool startUp = false;           // the window's compare as it starts
    bool systemKeepsClock = false;  // the system's time service keeps the clock
    RunResult result = RunResult::NotStarted;
    std::int32_t serverId = 0;  // 1-based position of the host that answered, hosts + 1 when none did
                                // (3: neither deployment server); 0: the run never got to the servers

    // The measurement of the server that answered.
    std::string serverHost;     // "host:port" as asked
    std::string serverAddress;  // the address that answered
    std::uint16_t serverPort = 0;
    double offset = 0.0;  // server minus PC, seconds
    double delay = 0.0;   // round trip, seconds
    int stratum = 0;
    bool kernelTransmitStamp = false;  // the stamps the arithmetic used: the kernel's, or ours
    bool kernelReceiveStamp = false;
    bool authenticated = false;  // the answer verified by NTS
    int validReplies = 0;        // of the burst that answered: valid replies, requests sent
    int requestsSent = 0;
    // The answering server's reference ID and time (NTP format): a second source alike in
    // both is the same server, or the same upstream at the same instant.
    std::uint32_t referenceId = 0;
    std::uint64_t referenceTime = 0;

    int setError = 0;                  // errno of a clock setting that failed
    std::vector<RunFailure> failures;  // each host that gave no usable reply, each second source refused

    // A server answered: the measurement above is valid.
    bool Answered() const { return hodra::Answered(result); }
    // The clock was stepped by `offset`.
    bool ClockSet() const { return result == RunResult::Set; }
    // False when the run failed before it asked any server (the helper would not start).
    bool ReachedServers() const { return result != RunResult::NotStarted; }
};

// The message line's text for what the run came to.
std::string ResultMessage(const SyncOutcome& outcome);

// One run on a worker thread; the UI thread may raise cancel to end it at once.
class SyncRunner {
public:
    virtual ~SyncRunner() = default;
    virtual SyncOutcome Run(const SyncRequest& request, const CancelToken& cancel) = 0;
    // On the UI thread, after the system's time service stepped the clock by the outcome's
    // offset (stepped) or could not: completes the outcome as if the run had set it.
    virtual void SettleSystemStep(SyncOutcome& outcome, bool stepped) = 0;
};

// One compare or synchronise run in this process: the hosts in order, then the clock.
// Without a clock setter it cannot synchronise (the outcome says the step was refused).
class SyncOperation : public SyncRunner {
public:
    SyncOperation(Exchanger& exchanger, ClockSetter* setter) : exchanger(exchanger), setter(setter) {}

    SyncOutcome Run(const SyncRequest& request, const CancelToken& cancel) override;
    // A run no one will cancel (the command-line tool, tests): lookups then need no thread.
    SyncOutcome Run(const SyncRequest& request);
    void SettleSystemStep(SyncOutcome& outcome, bool stepped) override;

private:
    SyncOutcome RunWatching(const SyncRequest& request, const CancelToken* cancel);
    bool Measure(const SyncRequest& request, const CancelToken* cancel, SyncOutcome& out);
    // Whether a step over the limit may be made: allowed for this run, and a second source
    // agrees with the first. Otherwise the outcome says why not.
    bool MayStepThatFar(const SyncRequest& request, const CancelToken* cancel, SyncOutcome& out);
    bool Confirm(const SyncRequest& request, const CancelToken* cancel, SyncOutcome& out);
    void Synchronise(const SyncRequest& request, SyncOutcome& out);

    Exchanger& exchanger;
    ClockSetter* setter;
};

// Whether two measurements of the offset agree: within a second, widened by half of each
// round trip (the true offset lies within half the round trip of each measurement).
bool OffsetsAgree(double firstOffset, double firstDelay, double secondOffset, double secondDelay);

// No server answered, or a synchronisation did not set the clock.
inline bool RunFailed(const SyncOutcome& o) {
    return o.result != RunResult::Compared && o.result != RunResult::Set;
}

}  // namespace hodra

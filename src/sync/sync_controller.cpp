#include "sync/sync_controller.h"

#include <algorithm>
#include <cmath>

#include <QMetaObject>
#include <cstdio>
#include <ctime>

#include "sync/sync_texts.h"
#include "sync/system_time_service.h"

namespace hodra {
namespace {

void ReportToStderr(const SyncOutcome& outcome) {
    if (!outcome.Answered()) {
        for (const RunFailure& failure : outcome.failures) {
            std::fprintf(stderr, "hodra2: %s\n", Describe(failure).c_str());
        }
    }
}

}  // namespace

SyncController::SyncController(SyncRunner& runner, Servers servers, FlagsSource flags, LargeStepAsker askAboutLargeStep,
                               QObject* parent)
    : QObject(parent),
      runner(runner),
      servers(std::move(servers)),
      flags(std::move(flags)),
      askAboutLargeStep(std::move(askAboutLargeStep)) {}

SyncController::~SyncController() {
    CancelPendingRun();
}

void SyncController::OnCompare() {
    Start(false, false);
}

void SyncController::OnSync() {
    Start(true, false);
}

void SyncController::OnStartUpCompare() {
    Start(false, true, true);
}

void SyncController::OnAutoCompare() {
    Start(false, true);
}

void SyncController::OnAutoSync() {
    Start(true, true);
}

void SyncController::Start(bool synchronise, bool automatic, bool startUp) {
    if (running) {
        return;  // dropped, not queued
    }
    emit buttonsEnabledChanged(false);
    running = true;
    SyncRequest request;
    request.synchronise = synchronise;
    request.automatic = automatic;
    request.startUp = startUp;
    request.hosts = servers.hosts;
    request.maxStep = servers.maxStep;
    // A forger on the path could otherwise walk the clock by just under the limit each run.
    if (automatic && synchronise && servers.maxStep > 0.0 && ledger) {
        request.stepBudget = std::floor(std::max(0.0, servers.maxStep - ledger()) * 1000.0) / 1000.0;
    }
    currentFlags = flags ? flags() : RunFlags{};
    // Only a run that would set the clock asks; the start-up compare shows its own texts.
    if (!automatic || !synchronise || timeService == nullptr) {
        Launch(request);
        return;
    }
    // Where the system keeps the clock, a step of ours behind its back would only upset it.
    timeService->QueryKeepsClock([this, request](bool keeps) mutable {
        if (keeps) {
            request.synchronise = false;
            request.systemKeepsClock = true;
        }
        Launch(request);
    });
}

void SyncController::Launch(const SyncRequest& request) {
    if (worker.joinable()) {
        worker.join();
    }
    current = request;
    cancel.Reset();
    worker = std::thread([this, request] {
        SyncOutcome outcome = runner.Run(request, cancel);
        outcome.automatic = request.automatic;
        outcome.startUp = request.startUp;
        {
            std::lock_guard guard(pendingLock);
            pending = std::move(outcome);
        }
        QMetaObject::invokeMethod(this, &SyncController::Deliver, Qt::QueuedConnection);
    });
}

void SyncController::CancelPendingRun() {
    cancel.Cancel();
    if (timeService != nullptr) {
        timeService->Cancel();
    }
    if (worker.joinable()) {
        worker.join();
    }
    std::optional<SyncOutcome> finished;
    {
        std::lock_guard guard(pendingLock);
        finished.swap(pending);
    }
    awaitingAnswer.reset();
    // Nothing of a cancelled run is applied, but a step it made: the clock moved, and the
    // results, the log and the history say so before the window goes.
    if (running && finished && finished->ClockSet()) {
        Apply(*finished, false);  // nobody is left to see the blink
    }
    running = false;
}

void SyncController::Deliver() {
    std::optional<SyncOutcome> outcome;
    {
        std::lock_guard guard(pendingLock);
        outcome.swap(pending);
    }
    if (!outcome || cancel.Cancelled()) {
        return;
    }
    if (worker.joinable()) {
        worker.join();
    }
    if (AskAboutLargeStep(*outcome)) {
        return;
    }
    if (outcome->result == RunResult::NotPermitted && timeService != nullptr) {
        StepBySystem(std::move(*outcome));
        return;
    }
    if (outcome->result == RunResult::NotPermitted) {
        std::fputs(text::kNoClockCapability, stderr);
    }
    Apply(*outcome);
}

// Only the user may let a step over the limit through, and only for a run they asked for.
bool SyncController::AskAboutLargeStep(SyncOutcome& outcome) {
    if (outcome.result != RunResult::TooLarge || current.automatic || current.allowLargeStep || !askAboutLargeStep) {
        return false;
    }
    awaitingAnswer = std::move(outcome);
    askAboutLargeStep(*awaitingAnswer);
    return true;
}

void SyncController::AnswerLargeStep(bool make) {
    if (!awaitingAnswer) {
        return;  // cancelled meanwhile, or answered twice
    }
    SyncOutcome refused = std::move(*awaitingAnswer);
    awaitingAnswer.reset();
    if (!make) {
        Apply(refused);
        return;
    }
    SyncRequest again = current;
    again.allowLargeStep = true;
    Launch(again);
}

void SyncController::StepBySystem(SyncOutcome outcome) {
    const bool mayAsk = !current.automatic;  // only a step the user asked for may bring up a password
    timeService->StepBy(outcome.offset, mayAsk, [this, outcome](bool stepped, const std::string& why) mutable {
        if (!stepped) {
            std::fprintf(stderr, text::kSystemStepFailed, why.c_str());
        }
        runner.SettleSystemStep(outcome, stepped);
        Apply(outcome);
    });
}

void SyncController::Apply(const SyncOutcome& outcome, bool seen) {
    ReportToStderr(outcome);
    AppliedStep step;
    if (outcome.ClockSet()) {
        step.lastCon = static_cast<std::int64_t>(std::time(nullptr));
        step.log = currentFlags.log;
    }
    emit messageChanged(QString::fromStdString(ResultMessage(outcome)));
    emit resultsRecorded(outcome, step);
    if (outcome.ClockSet() && currentFlags.blink && seen) {
        emit blinkRequested(step.lastCon);
    }
    running = false;
    emit buttonsEnabledChanged(true);
    emit runFinished();
}

}  // namespace hodra

#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "time/cancel_token.h"
#include "sync/sync_operation.h"

namespace hodra {

class SystemTimeService;

// What the window makes of a run's step, from the settings as they were when the run
// started: when the clock was set, and whether the step goes into the result log.
struct AppliedStep {
    std::int64_t lastCon = 0;  // the time of the step (LastCon); 0 when the run made none
    bool log = false;          // Settings.Log was on
};

// Starts compare and synchronise runs on a worker thread, at most one at a time, and
// applies each run's outcome on the UI thread in a fixed order: message text, results,
// blink, busy cleared, buttons enabled. Before an automatic run it asks the system's time
// service whether the system keeps the clock (then the run only compares); a run whose
// helper may not set the clock asks that service to step it instead.
class SyncController : public QObject {
    Q_OBJECT
public:
    struct RunFlags {
        bool blink = false;
        bool log = false;
    };
    using FlagsSource = std::function<RunFlags()>;
    // Asks the user whether to make a step over the limit; the answer comes later through
    // AnswerLargeStep. Without one, such a step is never made.
    using LargeStepAsker = std::function<void(const SyncOutcome& outcome)>;
    struct Servers {
        std::vector<std::string> hosts;  // asked in order
        double maxStep = 0.0;            // the step limit, seconds (see SyncRequest)
    };

    SyncController(SyncRunner& runner, Servers servers, FlagsSource flags, LargeStepAsker askAboutLargeStep = {},
                   QObject* parent = nullptr);
    ~SyncController() override;

    void setTimeService(SystemTimeService* service) { timeService = service; }
    // The seconds the automatic steps of the last 24 hours moved the clock, added up: an
    // automatic synchronisation may step only what of maxStep they left.
    void setStepLedger(std::function<double()> automaticStepsToday) { ledger = std::move(automaticStepsToday); }
    bool busy() const { return running; }
    // Ends a run in progress at once (the window is closing): the exchange or the helper is
    // stopped, the clock is not set and nothing of the run is applied.
    void CancelPendingRun();
    // The user's answer to the large-step question: make the step (a new run that may step that
    // far) or leave the clock as it is.
    void AnswerLargeStep(bool make);

public slots:
    void OnCompare();
    void OnSync();
    // The runs the window starts by itself: at start-up and on the timer (and their tries).
    void OnStartUpCompare();
    void OnAutoCompare();
    void OnAutoSync();

signals:
    void buttonsEnabledChanged(bool enabled);
    void messageChanged(const QString& text);
    void resultsRecorded(const hodra::SyncOutcome& outcome, const hodra::AppliedStep& step);
    void blinkRequested(qint64 lastCon);
    void runFinished();

private:
    void Start(bool synchronise, bool automatic, bool startUp = false);
    void Launch(const SyncRequest& request);
    void Deliver();
    void StepBySystem(SyncOutcome outcome);
    bool AskAboutLargeStep(SyncOutcome& outcome);
    // seen: someone is left to see the blink (not so for a step applied as the window closes).
    void Apply(const SyncOutcome& outcome, bool seen = true);

    SyncRunner& runner;
    const Servers servers;
    FlagsSource flags;
    LargeStepAsker askAboutLargeStep;
    std::function<double()> ledger;
    SystemTimeService* timeService = nullptr;
    bool running = false;
    SyncRequest current;
    RunFlags currentFlags;  // Blink and Log when the current run started
    std::thread worker;
    CancelToken cancel;
    std::mutex pendingLock;
    std::optional<SyncOutcome> pending;
    std::optional<SyncOutcome> awaitingAnswer;
};

}  // namespace hodra

#pragma once

#include <string>

#include "sync/child_process.h"
#include "sync/helper_sync.h"
#include "sync/result_log.h"
#include "sync/sync_controller.h"
#include "sync/sync_operation.h"

namespace hodra {

class Exchanger;

// The one wiring of a run, made alike by the program and by the tests that drive its
// window: "비교" measured in this process over the exchanger, "동기" by the clock helper
// through the child runner, the controller that runs either on its worker thread, and the
// result log, written on the UI thread from each outcome that asks for it (LogStep).
class RunParts {
public:
    struct Plan {
        SyncController::Servers servers;  // what "비교" asks; the helper reads its own
        std::string helperPath;
        ChildRunner runChild;
        std::string logPath = ResultLog::kDefaultPath;
        SyncController::FlagsSource flags;
        SyncController::LargeStepAsker askAboutLargeStep{};
    };

    RunParts(Exchanger& exchanger, Plan plan);

    SyncController& Controller() { return sync; }
    // Writes a step the outcome made to the result log, when the run was to log it.
    void LogStep(const SyncOutcome& outcome, const AppliedStep& step);

private:
    SyncOperation compare;  // no clock setter: this process never sets the clock
    HelperSync helper;
    ResultLog log;
    SyncController sync;
};

}  // namespace hodra

#include "sync/run_parts.h"

namespace hodra {

RunParts::RunParts(Exchanger& exchanger, Plan plan)
    : compare(exchanger, nullptr),
      helper(compare, std::move(plan.helperPath), std::move(plan.runChild)),
      log(std::move(plan.logPath)),
      sync(helper, std::move(plan.servers), std::move(plan.flags), std::move(plan.askAboutLargeStep)) {}

void RunParts::LogStep(const SyncOutcome& outcome, const AppliedStep& step) {
    if (outcome.ClockSet() && step.log) {
        log.Append(step.lastCon, outcome.offset);
    }
}

}  // namespace hodra

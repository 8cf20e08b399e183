#include "sync/helper_sync.h"

#include <cstdio>
#include <cstring>

#include "sync/clock_report.h"
#include "sync/compare_text.h"
#include "sync/sync_texts.h"

namespace hodra {

SyncOutcome HelperSync::Run(const SyncRequest& request, const CancelToken& cancel) {
    return request.synchronise ? Synchronise(request, cancel) : compare.Run(request, cancel);
}

void HelperSync::SettleSystemStep(SyncOutcome& outcome, bool stepped) {
    compare.SettleSystemStep(outcome, stepped);
}

namespace {

// A run that no answer of a server's counts for: the helper did not start, was stopped
// before it stepped, or left no report.
SyncOutcome NotStarted() {
    SyncOutcome out;
    out.synchronise = true;
    return out;
}

}  // namespace

SyncOutcome HelperSync::Synchronise(const SyncRequest& request, const CancelToken& cancel) {
    // The helper takes no hosts from us: with its capability it would refuse them. It reads
    // the step limit itself; we only pass on the user's word for a step over it.
    std::vector<std::string> argv{helperPath, "--sync"};
    if (request.allowLargeStep) {
        argv.emplace_back("--allow-large-step");
    }
    if (request.stepBudget) {
        argv.insert(argv.end(), {"--step-budget", FormatFixed(*request.stepBudget, 3)});
    }
    // Only for the helper's own journal entry: it cannot tell a timer from a person.
    if (request.automatic) {
        argv.emplace_back("--auto");
    }
    const ChildResult child = run(argv, cancel);
    SyncOutcome out;
    out.synchronise = true;
    switch (child.status) {
    case ChildResult::Status::Cancelled:
        // Stopped: only a step it made and told of counts, so that it is recorded.
        if (ParseClockReport(child.output, out) && out.ClockSet()) {
            return out;
        }
        return NotStarted();
    case ChildResult::Status::NotStarted:
        std::fprintf(stderr, text::kHelperNotStarted, helperPath.c_str(), std::strerror(child.error));
        return NotStarted();
    case ChildResult::Status::Exited:
    case ChildResult::Status::Killed: break;
    }
    if (!ParseClockReport(child.output, out)) {
        std::fprintf(stderr, text::kHelperUnreadable, child.exitCode);
        return NotStarted();
    }
    return out;
}

}  // namespace hodra

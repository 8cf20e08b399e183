#include "helper_sync.h"

#include <cstdio>
#include <cstring>

#include "clock_report.h"
#include "compare_text.h"
#include "sync_texts.h"

namespace hodra {

SyncOutcome HelperSync::Run(const SyncRequest& request, const CancelToken& cancel) {
    return request.synchronise ? Synchronise(request, cancel) : compare.Run(request, cancel);
}

void HelperSync::SettleSystemStep(SyncOutcome& outcome, const SyncRequest& request, bool stepped) {
    compare.SettleSystemStep(outcome, request, stepped);
}

SyncOutcome HelperSync::Synchronise(const SyncRequest& request, const CancelToken& cancel) {
    SyncOutcome out;
    out.synchronise = true;
    out.message = text::kSyncFailed;
    // The helper takes no hosts from us: with its right it would refuse them. It reads the
    // step limit itself; we only pass on the user's word for a step over it.
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
    switch (child.status) {
    case ChildResult::Status::Cancelled:
        // Stopped: only a step it made and told of counts, so that it is recorded.
        if (ParseClockReport(child.output, out) && out.clockSet) {
            RecordSynchronised(out, out.offset, request);
            return out;
        }
        out = SyncOutcome{};
        out.synchronise = true;
        out.message = text::kSyncFailed;
        return out;
    case ChildResult::Status::NotStarted:
        std::fprintf(stderr, text::kHelperNotStarted, helperPath.c_str(), std::strerror(child.error));
        return out;
    case ChildResult::Status::Exited:
    case ChildResult::Status::Killed: break;
    }
    if (!ParseClockReport(child.output, out)) {
        std::fprintf(stderr, text::kHelperUnreadable, child.exitCode);
        out = SyncOutcome{};
        out.synchronise = true;
        out.message = text::kSyncFailed;
        return out;
    }
    if (!out.answered) {
        out.message = text::kNoResponse;
    } else if (out.clockSet) {
        RecordSynchronised(out, out.offset, request);
    } else if (out.tooLarge) {
        out.message = LargeStepText(out.offset);
    } else if (out.unconfirmed) {
        out.message = text::kUnconfirmed;
    }
    return out;
}

}  // namespace hodra

#pragma once

#include <string>

#include "sync/child_process.h"
#include "sync/sync_operation.h"

namespace hodra {

// The window's runs. It compares in this process, but it never holds the capability to set
// the clock: a synchronisation is measured and set by the clock helper (hodra2-sntp
// --sync), which asks the administrator's servers itself, and its report becomes the
// same outcome an in-process run would give.
class HelperSync : public SyncRunner {
public:
    HelperSync(SyncOperation& compare, std::string helperPath, ChildRunner run)
        : compare(compare), helperPath(std::move(helperPath)), run(std::move(run)) {}

    SyncOutcome Run(const SyncRequest& request, const CancelToken& cancel) override;
    void SettleSystemStep(SyncOutcome& outcome, bool stepped) override;

private:
    SyncOutcome Synchronise(const SyncRequest& request, const CancelToken& cancel);

    SyncOperation& compare;
    const std::string helperPath;
    ChildRunner run;
};

}  // namespace hodra

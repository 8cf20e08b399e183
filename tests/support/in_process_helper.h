#pragma once

#include <iostream>
#include <sstream>

#include "time/cancel_token.h"
#include "sync/child_process.h"
#include "time/clock_setter.h"
#include "time/exchanger.h"
#include "tools/sntp_command.h"
#include "sync/sync_controller.h"

namespace hodra::test {

// The clock helper as the window's tests run it: its own arguments, run and report, over
// the test's exchanger and clock setter, in this process. Only what the program leaves to
// the operating system differs: no process, no capability, and a raised cancel ends the run
// where the program's stop would end the helper.
class InProcessHelper {
public:
    // deployment: the servers and the step limit the helper would read from its file.
    InProcessHelper(Exchanger& exchanger, ClockSetter& setter, SyncController::Servers deployment)
        : exchanger(exchanger), setter(setter), deployment(std::move(deployment)) {}

    ChildResult operator()(const std::vector<std::string>& argv, const CancelToken& cancel) const {
        ChildResult result;
        result.status = ChildResult::Status::Exited;
        auto options = ParseSntpArguments({argv.begin() + 1, argv.end()}, deployment.hosts);
        if (!options) {
            result.exitCode = kExitUsage;
            return result;
        }
        options->maxStep = deployment.maxStep;
        SyncOperation operation(exchanger, &setter);
        std::ostringstream out;
        std::ostringstream err;
        result.exitCode = RunSntpCommand(*options, operation, out, err, &cancel);
        std::cerr << err.str();
        result.output = out.str();
        if (cancel.Cancelled()) {
            result.status = ChildResult::Status::Cancelled;
        }
        return result;
    }

private:
    Exchanger& exchanger;
    ClockSetter& setter;
    const SyncController::Servers deployment;
};

}  // namespace hodra::test

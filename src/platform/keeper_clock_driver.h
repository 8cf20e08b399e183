#pragma once

#include "time/clock_driver.h"

namespace hodra {

class TerminationHold;

// The network process's clock driver. It holds no capability: the one step goes to the keeper
// over its socket, and the keeper's answer is the step's result.
class KeeperClockDriver : public ClockDriver {
public:
    KeeperClockDriver(int keeperFd, TerminationHold& hold) : fd(keeperFd), hold(hold) {}

    // The hold begins before the request goes out: from then on a stop waits for the report.
    int RaiseCapability() override;
    void LowerCapability() override {}
    int StepSystemClock(const timespec& offset) override;
    // Only the keeper sets the clock absolutely, where the kernel lacks the relative step.
    int SetSystemClock(const timespec& utc) override;

    // Tells the keeper that no step comes, when none was asked for.
    void Finish();

private:
    const int fd;
    TerminationHold& hold;
    bool asked = false;  // the keeper serves one request
};

}  // namespace hodra

#pragma once

#include <functional>
#include <string>

namespace hodra {

// The system's own time service (systemd-timedated on Linux), asked on the UI thread
// without blocking it: every answer comes later through its callback.
class SystemTimeService {
public:
    virtual ~SystemTimeService() = default;
    // Whether the system keeps the clock itself: its time synchronisation is on and has
    // synchronised the clock. No bus or no service counts as no.
    virtual void QueryKeepsClock(std::function<void(bool keeps)> done) = 0;
    // Steps the clock by seconds (relative, so the time the answer takes does not matter).
    // With mayAsk the service may ask the user to authorise it; a run nobody asked for
    // must not bring up a password dialog.
    virtual void StepBy(double seconds, bool mayAsk,
                        std::function<void(bool stepped, const std::string& why)> done) = 0;
    // Forgets every question in flight: no callback runs after this.
    virtual void Cancel() = 0;
};

}  // namespace hodra

#pragma once

#include <cstdint>
#include <string>

namespace hodra {

class Exchanger;
class ClockSetter;
class ResultLog;

struct SyncRequest {
    bool synchronise = false;  // false: compare only
    std::string primaryHost;
    std::string secondaryHost;
    bool blink = false;        // Settings.Blink at the start of the run
    bool log = false;          // Settings.Log
};

// What a run found; the UI thread applies it (the worker writes no shared state).
struct SyncOutcome {
    bool answered = false;         // a server answered
    std::int32_t serverId = 0;     // 1 primary, 2 secondary, 3 neither
    std::string message;           // the message line's new text
    bool clockSet = false;         // LastCon and LastDiff below are valid
    std::int64_t lastCon = 0;
    double lastDiff = 0.0;
    bool startBlink = false;
    std::string serverAddress;     // "A.B.C.D" of the server that answered
};

// One compare or synchronise run: primary, then secondary, then the clock and the log.
class SyncOperation {
public:
    SyncOperation(Exchanger& exchanger, ClockSetter& setter, ResultLog& log)
        : exchanger(exchanger), setter(setter), log(log) {}

    SyncOutcome Run(const SyncRequest& request);

private:
    void Synchronise(double offset, const SyncRequest& request, SyncOutcome& out);

    Exchanger& exchanger;
    ClockSetter& setter;
    ResultLog& log;
};

}  // namespace hodra

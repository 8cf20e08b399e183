#pragma once

namespace hodra {

// Holds off the signals that end a program (SIGTERM, SIGINT, SIGHUP) from Begin until the
// object goes: the clock helper begins just before it moves the clock and ends after its
// report is out, so whoever stops it learns of a step that was made. Signals that come
// meanwhile act at the end. Before Begin nothing is held: a stop then ends the run at once.
class TerminationHold {
public:
    TerminationHold() = default;
    ~TerminationHold();
    TerminationHold(const TerminationHold&) = delete;
    TerminationHold& operator=(const TerminationHold&) = delete;

    void Begin();

private:
    bool held = false;
};

}  // namespace hodra

#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "sync/run_result.h"

namespace hodra {

struct SyncOutcome;

// One run as the history keeps it: one tab-separated line of history.tsv.
//   TIME KIND TRIGGER OUTCOME SERVER ADDRESS OFFSET DELAY STRATUM AUTH STEP
// TIME is UTC ("2026-12-09T07:30:00.123Z"), KIND compare or sync, TRIGGER auto or user,
// OUTCOME the report line's word (ResultWord), AUTH nts or none; OFFSET, DELAY and STEP are seconds,
// empty where there is none (no answer, no step).
struct RunRecord {
    std::int64_t utcMs = 0;
    bool synchronise = false;
    bool automatic = false;
    RunResult result = RunResult::Compared;
    std::string server;
    std::string address;
    std::optional<double> offset;
    std::optional<double> delay;
    int stratum = 0;
    bool authenticated = false;
    std::optional<double> step;

    bool Answered() const { return offset.has_value(); }
    bool Succeeded() const { return Answered() && (!synchronise || step.has_value()); }
};

RunRecord RecordOf(const SyncOutcome& outcome, std::int64_t utcMs);
std::string FormatRecord(const RunRecord& record);  // with its newline
// Nothing for a line that is not a whole record (damaged, cut short, of another format).
std::optional<RunRecord> ParseRecord(const std::string& line);

}  // namespace hodra

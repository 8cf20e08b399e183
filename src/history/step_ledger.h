#pragma once

#include <cstdint>
#include <vector>

#include "history/run_record.h"

namespace hodra {

inline constexpr std::int64_t kStepLedgerWindowMs = 24 * 3600 * 1000;

// The seconds the automatic synchronisations within `windowMs` before now moved the
// clock, added up: what they took of the step limit an automatic run may not exceed.
double AutomaticStepsWithin(const std::vector<RunRecord>& records, std::int64_t nowUtcMs,
                            std::int64_t windowMs = kStepLedgerWindowMs);

}  // namespace hodra

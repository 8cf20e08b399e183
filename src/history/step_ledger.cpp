#include "history/step_ledger.h"

#include <cmath>

namespace hodra {

double AutomaticStepsWithin(const std::vector<RunRecord>& records, std::int64_t nowUtcMs, std::int64_t windowMs) {
    double moved = 0.0;
    for (const RunRecord& r : records) {
        if (r.automatic && r.synchronise && r.step && r.utcMs > nowUtcMs - windowMs) {
            moved += std::abs(*r.step);
        }
    }
    return moved;
}

}  // namespace hodra

#pragma once

#include <string>

#include "time/exchanger.h"

namespace hodra {

// Why a host gave no usable answer, or why a step over the limit found no second source
// that agrees. The text is made by Describe, where it is shown.
struct RunFailure {
    enum class Kind {
        NoReply,         // the host gave no usable reply; `exchange` says why
        SameServer,      // the second source is the first server again
        NoKernelStamps,  // only our own stamps, over a round trip too long to trust them
        Disagrees,       // the second source measured `offset`, too far from `firstOffset`
        NoSecondSource,  // no other source answered
    };
    Kind kind = Kind::NoReply;
    std::string host{};         // the host asked; empty where the failure is the run's, not a host's
    ExchangeResult exchange{};  // NoReply: the exchange's failure
    double offset = 0.0;        // Disagrees: the second source's offset and the first's (seconds)
    double firstOffset = 0.0;
};

// The failure in Korean for diagnostics: "host: reason", or the reason alone.
std::string Describe(const RunFailure& failure);

}  // namespace hodra

#include "sntp_result.h"

namespace hodra {

double RoundTripDelay(const SntpResult& r) {
    return Difference(r.destination, r.originate) - Difference(r.transmit, r.receive);
}

}  // namespace hodra

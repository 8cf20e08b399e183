#include "time/sntp_result.h"

namespace hodra {

double RoundTripDelay(const SntpResult& r) {
    return Difference(r.destination, r.originate) - Difference(r.transmit, r.receive);
}

// Our stamps and the server's may lie further apart than the 68 years the signed
// difference reaches (a clock reset to 1970, a server in 2040): each is read in its era.
double ClockOffset(const SntpResult& r) {
    return (AbsoluteDifference(r.receive, r.originate) + AbsoluteDifference(r.transmit, r.destination)) * 0.5;
}

}  // namespace hodra

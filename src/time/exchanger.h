#pragma once

#include <cstdint>
#include <string>

#include "sntp_result.h"

namespace hodra {

class CancelToken;

inline constexpr std::uint16_t kNtpPort = 123;

// One SNTP request and reply with a server; the real one is SntpClient.
class Exchanger {
public:
    virtual ~Exchanger() = default;
    // host may be "name", "A.B.C.D" or either with ":port", which then overrides port.
    // A raised cancel ends the exchange at once as failed.
    virtual bool Exchange(const std::string& host, SntpResult& result, std::uint16_t port,
                          const CancelToken* cancel) = 0;
    // Why the last exchange failed, for diagnostics; empty when unknown.
    virtual std::string LastFailure() const { return {}; }
};

}  // namespace hodra

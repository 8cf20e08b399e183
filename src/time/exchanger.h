#pragma once

#include <cstdint>
#include <string>

#include "sntp_result.h"

namespace hodra {

class CancelToken;

inline constexpr std::uint16_t kNtpPort = 123;

// The address and port of a server that answered, which a second opinion must not come from.
struct AnsweredBy {
    std::string address;
    std::uint16_t port = 0;
};

// One SNTP request and reply with a server; the real one is SntpClient.
class Exchanger {
public:
    virtual ~Exchanger() = default;
    // host is written as ParseServerName takes it; a port there overrides port. Every
    // address of the host may be asked, but not `avoid`. A raised cancel ends the exchange
    // at once as failed.
    virtual bool Exchange(const std::string& host, SntpResult& result, std::uint16_t port, const CancelToken* cancel,
                          const AnsweredBy* avoid) = 0;
    // Why the last exchange failed, for diagnostics; empty when unknown.
    virtual std::string LastFailure() const { return {}; }
};

}  // namespace hodra

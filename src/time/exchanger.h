#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "time/sntp_error.h"
#include "time/sntp_result.h"

namespace hodra {

class CancelToken;

inline constexpr std::uint16_t kNtpPort = 123;

// The address and port of a server that answered, which a second opinion must not come from.
struct AnsweredBy {
    std::string address;
    std::uint16_t port = 0;
};

// What an exchange with a host came to: the reply, or why there is none.
struct ExchangeResult {
    std::optional<SntpResult> reply;
    // Without a reply: the failure of the last address asked, or of the host before any
    // address; and each address asked with its own.
    SntpFailure failure;
    std::vector<SntpFailure> addressFailures;

    explicit operator bool() const { return reply.has_value(); }
};

// Why the host gave no reply, in Korean for diagnostics: the one failure, or each address's.
std::string DescribeFailure(const ExchangeResult& result);

// One SNTP request and reply with a server; the real one is SntpClient.
class Exchanger {
public:
    virtual ~Exchanger() = default;
    // host is written as ParseServerName takes it; a port there overrides port. Every
    // address of the host may be asked, but not `avoid`. A raised cancel ends the exchange
    // at once as failed.
    virtual ExchangeResult Exchange(const std::string& host, std::uint16_t port, const CancelToken* cancel,
                                    const AnsweredBy* avoid) = 0;
};

}  // namespace hodra

#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "time/sntp_error.h"

namespace hodra {

// What an authenticated exchange adds to a request and demands of its reply.
class RequestAuthenticator {
public:
    virtual ~RequestAuthenticator() = default;
    // Appends what authenticates the request (extension fields) to its 48-byte header.
    // SntpError::None when sealed; else why not (NtsNoCookie: every cookie was spent), and
    // the request must not go out unauthenticated.
    virtual SntpError Seal(std::vector<std::uint8_t>& request) = 0;
    // SntpError::None when the whole datagram is an authentic answer to one of the sealed
    // requests (a burst's replies may come in any order).
    virtual SntpError Verify(const std::uint8_t* reply, std::size_t length) const = 0;
};

}  // namespace hodra

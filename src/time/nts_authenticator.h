#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "time/aes_siv.h"
#include "time/sntp_error.h"

namespace hodra::nts {

// The keys and cookies of one key exchange.
struct Session {
    AesSivCmac256::Key clientToServer{};
    AesSivCmac256::Key serverToClient{};
    std::vector<std::vector<std::uint8_t>> cookies;
};

// NTS for NTPv4 requests (RFC 8915, section 5): each request carries a fresh Unique
// Identifier, one cookie and the Authenticator; a reply counts only when it echoes the
// identifier and its Authenticator verifies with the server-to-client key.
class Authenticator {
public:
    explicit Authenticator(Session session);

    // Appends the extension fields to the request's 48-byte header. SntpError::None when
    // sealed; else why not (NtsNoCookie: every cookie was spent), and the request must not
    // go out unauthenticated.
    SntpError Seal(std::vector<std::uint8_t>& request);
    // SntpError::None when the whole datagram is an authentic answer to one of the sealed
    // requests (a burst's replies may come in any order).
    SntpError Verify(const std::uint8_t* reply, std::size_t length) const;

private:
    std::vector<std::vector<std::uint8_t>> cookies;  // each used once
    AesSivCmac256 toServer;
    AesSivCmac256 toClient;
    // Of every sealed request: a reply may answer any of a burst's requests (RFC 8915 asks
    // for an outstanding request's identifier).
    std::vector<std::vector<std::uint8_t>> uniqueIds;
};

}  // namespace hodra::nts

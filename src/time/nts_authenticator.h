#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "time/aes_siv.h"
#include "time/request_authenticator.h"

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
class Authenticator : public RequestAuthenticator {
public:
    explicit Authenticator(Session session);

    SntpError Seal(std::vector<std::uint8_t>& request) override;
    SntpError Verify(const std::uint8_t* reply, std::size_t length) const override;

private:
    std::vector<std::vector<std::uint8_t>> cookies;  // each used once
    AesSivCmac256 toServer;
    AesSivCmac256 toClient;
    // Of every sealed request: a reply may answer any of a burst's requests (RFC 8915 asks
    // for an outstanding request's identifier).
    std::vector<std::vector<std::uint8_t>> uniqueIds;
};

}  // namespace hodra::nts

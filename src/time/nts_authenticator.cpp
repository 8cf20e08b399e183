#include "time/nts_authenticator.h"

#include <cstring>

#include "time/byte_order.h"
#include "time/platform/random_bytes.h"
#include "time/sntp_packet.h"

namespace hodra::nts {
namespace {

enum FieldType : std::uint16_t {
    kUniqueIdentifier = 0x0104,
    kCookie = 0x0204,
    kAuthenticator = 0x0404,
};
constexpr std::size_t kUniqueIdSize = 32;
constexpr std::size_t kNonceSize = 16;
constexpr std::size_t kFieldHeader = 4;
constexpr std::uint8_t kVersion4Client = 0x23;  // LI 0, version 4, mode 3: fields need NTPv4

std::size_t Padded(std::size_t n) {
    return (n + 3) & ~std::size_t{3};
}

void PutField(std::vector<std::uint8_t>& out, std::uint16_t type, const std::vector<std::uint8_t>& body) {
    AppendBigEndian16(out, static_cast<std::uint16_t>(type));
    AppendBigEndian16(out, static_cast<std::uint16_t>(kFieldHeader + Padded(body.size())));
    out.insert(out.end(), body.begin(), body.end());
    out.resize(out.size() + Padded(body.size()) - body.size(), 0);
}

struct Field {
    std::uint16_t type;
    std::size_t offset;  // of the field's header in the packet
    const std::uint8_t* body;
    std::size_t bodySize;
};

// The extension fields after the header (RFC 7822); nothing when they do not fill the
// datagram exactly.
std::optional<std::vector<Field>> Fields(const std::uint8_t* packet, std::size_t length) {
    std::vector<Field> fields;
    std::size_t at = kSntpPacketSize;
    while (at < length) {
        if (length - at < kFieldHeader) {
            return std::nullopt;
        }
        const std::size_t size = ReadBigEndian16(packet + at + 2);
        if (size < kFieldHeader || size % 4 != 0 || size > length - at) {
            return std::nullopt;
        }
        fields.push_back({ReadBigEndian16(packet + at), at, packet + at + kFieldHeader, size - kFieldHeader});
        at += size;
    }
    return fields;
}

}  // namespace

Authenticator::Authenticator(Session session)
    : cookies(std::move(session.cookies)), toServer(session.clientToServer), toClient(session.serverToClient) {}

SntpError Authenticator::Seal(std::vector<std::uint8_t>& request) {
    if (cookies.empty()) {
        return SntpError::NtsNoCookie;
    }
    if (!toServer.Usable()) {
        return SntpError::NtsKeyExchange;
    }
    std::vector<std::uint8_t> uniqueId(kUniqueIdSize, 0);
    std::vector<std::uint8_t> nonce(kNonceSize);
    if (!FillRandom(uniqueId.data(), uniqueId.size()) || !FillRandom(nonce.data(), nonce.size())) {
        return SntpError::NoRandom;
    }
    request.resize(kSntpPacketSize);
    request[0] = kVersion4Client;
    PutField(request, kUniqueIdentifier, uniqueId);
    PutField(request, kCookie, cookies.back());
    cookies.pop_back();
    // Everything before the Authenticator is what it authenticates; nothing is encrypted.
    const auto sealed = toServer.Seal(nonce, request.data(), request.size(), {});
    if (!sealed) {
        return SntpError::NtsKeyExchange;
    }
    std::vector<std::uint8_t> body;
    AppendBigEndian16(body, static_cast<std::uint16_t>(nonce.size()));
    AppendBigEndian16(body, static_cast<std::uint16_t>(sealed->size()));
    body.insert(body.end(), nonce.begin(), nonce.end());
    body.insert(body.end(), sealed->begin(), sealed->end());
    PutField(request, kAuthenticator, body);
    uniqueIds.push_back(std::move(uniqueId));
    return SntpError::None;
}

SntpError Authenticator::Verify(const std::uint8_t* reply, std::size_t length) const {
    const auto fields = Fields(reply, length);
    if (!fields) {
        return SntpError::NtsUnauthenticated;
    }
    bool echoed = false;
    for (const Field& f : *fields) {
        if (f.type == kUniqueIdentifier) {
            for (const std::vector<std::uint8_t>& ours : uniqueIds) {
                echoed = echoed || (f.bodySize == ours.size() && std::memcmp(f.body, ours.data(), f.bodySize) == 0);
            }
            continue;
        }
        if (f.type != kAuthenticator) {
            continue;
        }
        // The Authenticator ends what counts: its own verdict decides, and the echo must lie before it.
        if (!echoed || f.bodySize < 4) {
            return SntpError::NtsUnauthenticated;
        }
        const std::size_t nonceSize = ReadBigEndian16(f.body);
        const std::size_t cipherSize = ReadBigEndian16(f.body + 2);
        if (4 + Padded(nonceSize) + Padded(cipherSize) > f.bodySize) {
            return SntpError::NtsUnauthenticated;
        }
        const std::uint8_t* nonce = f.body + 4;
        const std::uint8_t* cipher = nonce + Padded(nonceSize);
        const bool authentic = toClient.Open(nonce, nonceSize, reply, f.offset, cipher, cipherSize).has_value();
        return authentic ? SntpError::None : SntpError::NtsUnauthenticated;
    }
    return SntpError::NtsUnauthenticated;
}

}  // namespace hodra::nts

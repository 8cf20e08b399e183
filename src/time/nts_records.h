#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "time/nts_failure.h"

namespace hodra::nts {

// The Network Time Security key exchange's records (RFC 8915, section 4): what the client
// asks for and what it takes from the server's answer.
inline constexpr std::uint16_t kNextProtocolNtpv4 = 0;
inline constexpr std::uint16_t kAeadAesSivCmac256 = 15;
inline constexpr std::size_t kMaxCookies = 8;

// Next protocol NTPv4, AEAD_AES_SIV_CMAC_256, end of message.
std::vector<std::uint8_t> EncodeKeyExchangeRequest();

struct KeyExchangeAnswer {
    std::vector<std::vector<std::uint8_t>> cookies;  // at most kMaxCookies
    std::string ntpServer;                           // empty: the key exchange's own host
    std::optional<std::uint16_t> ntpPort;            // none: 123
};

struct KeyExchangeParse {
    enum class Status { Incomplete, Complete, Refused };
    Status status = Status::Incomplete;
    std::optional<KeyExchangeFailure> refusal;  // why Refused
    KeyExchangeAnswer answer;
};

// The server's records so far (the whole stream from its start). Incomplete until the end
// of message record; Refused for an error or warning record, an unknown critical record,
// a malformed or repeated one, a protocol or algorithm we did not ask for, or no cookie.
KeyExchangeParse ParseKeyExchangeAnswer(const std::uint8_t* data, std::size_t size);

}  // namespace hodra::nts

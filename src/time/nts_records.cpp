#include "time/nts_records.h"

#include "time/byte_order.h"

namespace hodra::nts {
namespace {

enum RecordType : std::uint16_t {
    kEndOfMessage = 0,
    kNextProtocol = 1,
    kError = 2,
    kWarning = 3,
    kAeadAlgorithm = 4,
    kNewCookie = 5,
    kNtpServer = 6,
    kNtpPort = 7,
};
constexpr std::uint16_t kCritical = 0x8000;
constexpr std::size_t kHeaderSize = 4;
constexpr std::size_t kLongestServerName = 255;

void PutRecord(std::vector<std::uint8_t>& out, std::uint16_t type, const std::vector<std::uint16_t>& values) {
    AppendBigEndian16(out, static_cast<std::uint16_t>(type | kCritical));
    AppendBigEndian16(out, static_cast<std::uint16_t>(values.size() * 2));
    for (const std::uint16_t v : values) {
        AppendBigEndian16(out, v);
    }
}

KeyExchangeParse Refuse(KeyExchangeError why, int number = 0) {
    KeyExchangeParse p;
    p.status = KeyExchangeParse::Status::Refused;
    p.refusal = KeyExchangeFailure{why, number, {}, {}};
    return p;
}

// The code an error or warning record carries; -1 when it carries none.
int CodeOf(const std::uint8_t* body, std::size_t length) {
    return length >= 2 ? ReadBigEndian16(body) : -1;
}

bool PrintableName(const std::uint8_t* body, std::size_t length) {
    if (length == 0 || length > kLongestServerName) {
        return false;
    }
    for (std::size_t i = 0; i < length; ++i) {
        if (body[i] <= 0x20 || body[i] >= 0x7F) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::vector<std::uint8_t> EncodeKeyExchangeRequest() {
    std::vector<std::uint8_t> out;
    PutRecord(out, kNextProtocol, {kNextProtocolNtpv4});
    PutRecord(out, kAeadAlgorithm, {kAeadAesSivCmac256});
    PutRecord(out, kEndOfMessage, {});
    return out;
}

KeyExchangeParse ParseKeyExchangeAnswer(const std::uint8_t* data, std::size_t size) {
    KeyExchangeParse parse;
    bool protocolSeen = false;
    bool algorithmSeen = false;
    bool serverSeen = false;
    for (std::size_t at = 0; at + kHeaderSize <= size;) {
        const std::uint16_t type = ReadBigEndian16(data + at) & ~kCritical;
        const bool critical = (ReadBigEndian16(data + at) & kCritical) != 0;
        const std::size_t length = ReadBigEndian16(data + at + 2);
        if (at + kHeaderSize + length > size) {
            return parse;  // the rest of the record is still on its way
        }
        const std::uint8_t* body = data + at + kHeaderSize;
        at += kHeaderSize + length;
        switch (type) {
        case kEndOfMessage:
            if (length != 0) {
                return Refuse(KeyExchangeError::BadEnd);
            }
            if (!protocolSeen || !algorithmSeen) {
                return Refuse(KeyExchangeError::NothingChosen);
            }
            if (parse.answer.cookies.empty()) {
                return Refuse(KeyExchangeError::NoCookie);
            }
            parse.status = KeyExchangeParse::Status::Complete;
            return parse;
        case kNextProtocol:
            if (protocolSeen || length != 2 || ReadBigEndian16(body) != kNextProtocolNtpv4) {
                return Refuse(KeyExchangeError::NoNtpv4);
            }
            protocolSeen = true;
            break;
        case kError: return Refuse(KeyExchangeError::ServerError, CodeOf(body, length));
        case kWarning: return Refuse(KeyExchangeError::ServerWarning, CodeOf(body, length));
        case kAeadAlgorithm:
            if (algorithmSeen || length != 2 || ReadBigEndian16(body) != kAeadAesSivCmac256) {
                return Refuse(KeyExchangeError::NoAesSiv);
            }
            algorithmSeen = true;
            break;
        case kNewCookie:
            if (length == 0) {
                return Refuse(KeyExchangeError::EmptyCookie);
            }
            if (parse.answer.cookies.size() < kMaxCookies) {
                parse.answer.cookies.emplace_back(body, body + length);
            }
            break;
        case kNtpServer:
            if (serverSeen || !PrintableName(body, length)) {
                return Refuse(KeyExchangeError::BadServer);
            }
            serverSeen = true;
            parse.answer.ntpServer.assign(reinterpret_cast<const char*>(body), length);
            break;
        case kNtpPort:
            if (parse.answer.ntpPort || length != 2 || ReadBigEndian16(body) == 0) {
                return Refuse(KeyExchangeError::BadPort);
            }
            parse.answer.ntpPort = ReadBigEndian16(body);
            break;
        default:
            if (critical) {
                return Refuse(KeyExchangeError::UnknownCritical, type);
            }
            break;
        }
    }
    return parse;
}

}  // namespace hodra::nts

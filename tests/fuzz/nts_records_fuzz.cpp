// The NTS key exchange's record stream, and NTP extension fields, as a server or a man in
// the middle could send them.
#include <cstdint>
#include <vector>

#include "time/nts_authenticator.h"
#include "time/nts_records.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using hodra::nts::KeyExchangeParse;
    const KeyExchangeParse parse = hodra::nts::ParseKeyExchangeAnswer(data, size);
    if (parse.status == KeyExchangeParse::Status::Complete &&
        (parse.answer.cookies.empty() || parse.answer.cookies.size() > hodra::nts::kMaxCookies)) {
        __builtin_trap();
    }
    // The same bytes as a reply to a sealed request: without the server's key nothing verifies.
    hodra::nts::Session session;
    session.cookies.assign(1, std::vector<std::uint8_t>(64, 7));
    hodra::nts::Authenticator authenticator(std::move(session));
    std::vector<std::uint8_t> request;
    if (authenticator.Seal(request) != hodra::SntpError::None ||
        authenticator.Verify(data, size) == hodra::SntpError::None) {
        __builtin_trap();
    }
    return 0;
}

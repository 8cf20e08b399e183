#include "time/nts_failure.h"

#include <cstring>

#include "build_info.h"
#include "time/host_port.h"
#include "time/time_texts.h"

namespace hodra::nts {
namespace {

std::string Text(const KeyExchangeFailure& f) {
    using E = KeyExchangeError;
    switch (f.kind) {
    case E::NoGnuTls: return text::kKeNoGnuTls;
    case E::LookupFailed: return text::Fill(text::kKeLookupFailed, f.detail);
    case E::LookupTimeout: return text::kErrorLookupTimeout;
    case E::Cancelled: return text::kErrorCancelled;
    case E::Timeout: return text::kKeTimeout;
    case E::System: return std::strerror(f.number);
    case E::NoCredentials: return text::kKeNoCredentials;
    case E::NoSystemTrust: return text::kKeNoSystemTrust;
    case E::EmptyTrustFile: return text::kKeEmptyTrustFile;
    case E::SessionMade: return text::kKeSessionMade;
    case E::SessionSetup: return text::kKeSessionSetup;
    case E::Tls: return text::Fill(text::kKeTlsFailed, f.detail);
    case E::Untrusted: return f.detail.empty() ? text::kKeUntrusted : text::kKeUntrusted + (" (" + f.detail + ")");
    case E::ExpiredBeforeBuild: return text::Fill(text::kKeExpiredBeforeBuild, kBuildDay);
    case E::NoAlpn: return text::kKeNoAlpn;
    case E::SendFailed: return text::kKeSendFailed;
    case E::CutShort: return text::kKeCutShort;
    case E::TooLong: return text::kKeTooLong;
    case E::NoKeys: return text::kKeNoKeys;
    case E::BadEnd: return text::kKeBadEnd;
    case E::NothingChosen: return text::kKeNothingChosen;
    case E::NoCookie: return text::kKeNoCookie;
    case E::NoNtpv4: return text::kKeNoNtpv4;
    case E::ServerError: return text::Fill(text::kKeServerError, std::to_string(f.number));
    case E::ServerWarning: return text::Fill(text::kKeServerWarning, std::to_string(f.number));
    case E::NoAesSiv: return text::kKeNoAesSiv;
    case E::EmptyCookie: return text::kKeEmptyCookie;
    case E::BadServer: return text::kKeBadServer;
    case E::BadPort: return text::kKeBadPort;
    case E::UnknownCritical: return text::Fill(text::kKeUnknownCritical, std::to_string(f.number));
    }
    return text::kErrorUnknown;
}

}  // namespace

std::string Describe(const KeyExchangeFailure& failure) {
    return failure.address.empty() ? Text(failure) : failure.address + ": " + Text(failure);
}

std::string Describe(const std::vector<KeyExchangeFailure>& failures) {
    std::vector<std::string> texts;
    for (const KeyExchangeFailure& f : failures) {
        texts.push_back(Describe(f));
    }
    return NameFailures(texts);
}

}  // namespace hodra::nts

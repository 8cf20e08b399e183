#include "time/sntp_error.h"

#include <cerrno>
#include <cstring>

#include "time/time_texts.h"

namespace hodra {

const char* DescribeSntpError(SntpError error) {
    switch (error) {
    case SntpError::None: return text::kErrorNone;
    case SntpError::Timeout: return text::kErrorTimeout;
    case SntpError::LookupFailed: return text::kErrorLookupFailed;
    case SntpError::LookupTimeout: return text::kErrorLookupTimeout;
    case SntpError::NoOtherAddress: return text::kErrorNoOtherAddress;
    case SntpError::BadHost: return text::kErrorBadHost;
    case SntpError::Socket: return text::kErrorSocket;
    case SntpError::Connect: return text::kErrorConnect;
    case SntpError::Send: return text::kErrorSend;
    case SntpError::Receive: return text::kErrorReceive;
    case SntpError::ShortReply: return text::kErrorShortReply;
    case SntpError::BadMode: return text::kErrorBadMode;
    case SntpError::BadVersion: return text::kErrorBadVersion;
    case SntpError::Unsynchronised: return text::kErrorUnsynchronised;
    case SntpError::KissOfDeath: return text::kErrorKissOfDeath;
    case SntpError::BadStratum: return text::kErrorBadStratum;
    case SntpError::ZeroTransmit: return text::kErrorZeroTransmit;
    case SntpError::BogusOriginate: return text::kErrorBogusOriginate;
    case SntpError::BadReference: return text::kErrorBadReference;
    case SntpError::RootDistance: return text::kErrorRootDistance;
    case SntpError::BeforeBuildDate: return text::kErrorBeforeBuildDate;
    case SntpError::ImplausibleDelay: return text::kErrorImplausibleDelay;
    case SntpError::Cancelled: return text::kErrorCancelled;
    case SntpError::NoRandom: return text::kErrorNoRandom;
    case SntpError::NtsKeyExchange: return text::kErrorNtsKeyExchange;
    case SntpError::NtsNoCookie: return text::kErrorNtsNoCookie;
    case SntpError::NtsNak: return text::kErrorNtsNak;
    case SntpError::NtsUnauthenticated: return text::kErrorNtsUnauthenticated;
    }
    return text::kErrorUnknown;
}

namespace {

// What the failure's numbers and texts add to its kind; empty when nothing.
std::string Detail(const SntpFailure& f) {
    if (f.dropped > 0) {
        return text::Fill(text::kDroppedReplies, std::to_string(f.dropped));
    }
    if (!f.keyExchange.empty()) {
        return nts::Describe(f.keyExchange);
    }
    if (!f.detail.empty()) {
        return f.detail;
    }
    // A time-out says all there is; EPROTO stands for a reply that broke the protocol.
    if (f.kind == SntpError::Timeout || f.kind == SntpError::LookupTimeout || f.error == 0 || f.error == EPROTO) {
        return {};
    }
    return std::strerror(f.error);
}

}  // namespace

std::string Describe(const SntpFailure& failure) {
    std::string text = DescribeSntpError(failure.kind);
    if (const std::string detail = Detail(failure); !detail.empty()) {
        text += " (" + detail + ")";
    }
    return text;
}

}  // namespace hodra

#include "sntp_error.h"

#include "time_texts.h"

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

}  // namespace hodra

#include "sync/run_failure.h"

#include "sync/compare_text.h"
#include "sync/sync_texts.h"

namespace hodra {
namespace {

std::string Reason(const RunFailure& failure) {
    switch (failure.kind) {
    case RunFailure::Kind::NoReply: return DescribeFailure(failure.exchange);
    case RunFailure::Kind::SameServer: return text::kSameServer;
    case RunFailure::Kind::NoKernelStamps: return text::kNoKernelStamps;
    case RunFailure::Kind::Disagrees: return DisagreementText(failure.offset, failure.firstOffset);
    case RunFailure::Kind::NoSecondSource: return text::kNoSecondSource;
    }
    return {};
}

}  // namespace

std::string Describe(const RunFailure& failure) {
    return failure.host.empty() ? Reason(failure) : failure.host + ": " + Reason(failure);
}

}  // namespace hodra

#include "sync_operation.h"

#include <ctime>

#include "clock_setter.h"
#include "compare_text.h"
#include "exchanger.h"
#include "messages.h"
#include "result_log.h"

namespace hodra {

SyncOutcome SyncOperation::Run(const SyncRequest& request) {
    SyncOutcome out;
    SntpResult result;
    result.Clear();
    if (exchanger.Exchange(request.primaryHost, result, kNtpPort)) {
        out.serverId = 1;
    } else if (exchanger.Exchange(request.secondaryHost, result, kNtpPort)) {
        out.serverId = 2;
    } else {
        out.serverId = 3;
        out.message = text::kNoResponse;
        return out;
    }
    out.answered = true;
    out.serverAddress = result.serverAddress;
    if (request.synchronise) {
        Synchronise(result.offset, request, out);
    } else {
        out.message = CompareText(result.offset);
    }
    return out;
}

void SyncOperation::Synchronise(double offset, const SyncRequest& request, SyncOutcome& out) {
    // The clock is read again after the exchange; the whole offset is applied.
    const NtpTimestamp target = AddSeconds(NtpTimestamp::Now(), offset);
    if (!setter.SetClock(target)) {
        out.message = text::kSyncFailed;
        return;
    }
    out.message = text::kSynchronised;
    out.clockSet = true;
    out.lastCon = static_cast<std::int64_t>(std::time(nullptr));
    out.lastDiff = offset;
    out.startBlink = request.blink;
    if (request.log) {
        log.Append(out.lastCon, offset);
    }
}

}  // namespace hodra

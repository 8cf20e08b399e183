#pragma once

#include <cstdint>
#include <optional>
#include <sys/types.h>

#include "time/platform/unique_fd.h"

namespace hodra {

class ClockSetter;

// The largest step the keeper makes. It is fixed before the keeper starts, from the
// deployment's MaxStep and the command line's --allow-large-step, and never taken from
// what the network process says.
struct StepBound {
    std::optional<std::int64_t> maxNanoseconds;  // nothing: no limit
    bool allowLarge = false;                     // --allow-large-step: any step
    bool Admits(std::int64_t nanoseconds) const;
};

// What the network process and the keeper say to each other over their socket pair: one
// request, one answer, each a single datagram of fixed size.
namespace keeper {

inline constexpr std::uint32_t kStep = 1;    // step the clock by `nanoseconds`
inline constexpr std::uint32_t kNoStep = 2;  // the run ends without a step

struct Request {
    std::uint32_t kind = kNoStep;
    std::uint32_t reserved = 0;  // zero
    std::int64_t nanoseconds = 0;
};

// 0: done (stepped, or no step asked for), else the errno of the refusal or the failure.
struct Answer {
    std::int32_t error = 0;
};

}  // namespace keeper

// Reads one request from fd, makes the step it asks for through setter when the bound
// admits it, and writes the answer. A malformed request, or a step the bound does not
// admit, is refused without a call to the clock. Returns the answer sent.
keeper::Answer ServeOneRequest(int fd, ClockSetter& setter, const StepBound& bound);

// The network process's end of a started keeper.
struct KeeperLink {
    pid_t pid = -1;
    UniqueFd fd;
    int error = 0;            // when no keeper runs: why
    bool unconfined = false;  // it was the keeper's filter that could not be installed
};

// Forks the keeper: a child that keeps only CAP_SYS_TIME, closes every descriptor but its
// end of a socket pair, confines itself to the calls of a step, serves one request and
// ends. absoluteFallback: whether a kernel without the relative step may have the clock
// read and set instead. Call while the process has a single thread.
KeeperLink StartClockKeeper(const StepBound& bound, bool absoluteFallback);

// Waits for the keeper's word that it is confined and waiting (meanwhile this process can
// confine itself); false, with link.error set and the keeper stopped, when it is not.
bool AwaitClockKeeper(KeeperLink& link);

// Closes the network process's end: a keeper still waiting ends without a step. It is not
// waited for: it ends by itself once it has answered, and is reaped as an orphan when this
// process ends first.
void StopClockKeeper(KeeperLink& link);

}  // namespace hodra

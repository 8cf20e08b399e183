#include "sync/result_log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

#include "time/platform/unique_fd.h"
#include "sync/append_line.h"
#include "sync/compare_text.h"
#include "sync/sync_texts.h"

namespace hodra {

std::string ResultLog::FormatLine(std::int64_t lastCon, double offset) {
    const std::time_t t = static_cast<std::time_t>(lastCon);
    std::tm local{};
    localtime_r(&t, &local);
    char stamp[80];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d ", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return stamp + FormatFixed(-offset, 3) + "\n";
}

bool ResultLog::Append(std::int64_t lastCon, double offset) {
    const std::string line = FormatLine(lastCon, offset);
    // Not through a symbolic link: in a directory others can write, theirs would send our
    // lines into a file of their choosing.
    const UniqueFd fd(open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644));
    if (!fd.Valid()) {
        const int why = errno;
        std::fprintf(stderr, text::kLogNotOpened, path.c_str(),
                     why == ELOOP ? text::kLogIsSymlink : std::strerror(why));
        return false;
    }
    const int failure = AppendWholeLine(fd.Get(), line);
    if (failure != 0) {
        std::fprintf(stderr, text::kLogNotWritten, path.c_str(),
                     failure == kShortAppend ? text::kShortWrite : std::strerror(failure));
    }
    return failure == 0;
}

}  // namespace hodra

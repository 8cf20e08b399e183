#include "sync/append_line.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace hodra {

int AppendWholeLine(int fd, const std::string& line) {
    struct stat before {};
    const bool sized = fstat(fd, &before) == 0;
    ssize_t written = 0;
    do {
        written = write(fd, line.data(), line.size());
    } while (written < 0 && errno == EINTR);
    if (written == static_cast<ssize_t>(line.size())) {
        return 0;
    }
    if (written < 0) {
        return errno;
    }
    // One writer appends (the program runs once): the size before is where the line began.
    if (sized) {
        (void)!ftruncate(fd, before.st_size);
    }
    return kShortAppend;
}

}  // namespace hodra

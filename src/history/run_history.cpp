#include "history/run_history.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

#include "time/platform/unique_fd.h"
#include "sync/append_line.h"
#include "history/history_texts.h"

namespace hodra {
namespace {

constexpr std::size_t kLongestFile = 16 * 1024 * 1024;
// A record is about 150 bytes; a longer line is damage, passed over as it is read.
constexpr std::size_t kLongestLine = 4096;

bool MakeDirectories(const std::string& dir) {
    for (std::size_t slash = dir.find('/', 1);; slash = dir.find('/', slash + 1)) {
        const std::string part = dir.substr(0, slash);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
        if (slash == std::string::npos) {
            return true;
        }
    }
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void Complain(const std::string& path, const char* what) {
    std::fprintf(stderr, text::kHistoryFileFailed, path.c_str(), what, std::strerror(errno));
}

// Whether the file's last byte ends a line: after a crash it may end inside one, and the
// next record must not join that (damaged) line.
bool EndsLine(int fd) {
    struct stat s {};
    char last = '\n';
    return fstat(fd, &s) != 0 || s.st_size == 0 || pread(fd, &last, 1, s.st_size - 1) != 1 || last == '\n';
}

}  // namespace

RunHistory::RunHistory(std::string path, std::size_t keep) : path(std::move(path)), keep(keep) {}

std::string RunHistory::DefaultPath() {
    const char* state = std::getenv("XDG_STATE_HOME");
    std::string base;
    if (state != nullptr && state[0] == '/') {
        base = state;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home != nullptr ? home : "") + "/.local/state";
    }
    return base + "/hodra2/history.tsv";
}

std::vector<std::string> RunHistory::WholeLines() const {
    std::vector<std::string> whole;
    std::ifstream in(path, std::ios::binary);
    std::string line(kLongestLine + 1, '\0');
    std::size_t read = 0;
    while (read < kLongestFile) {
        in.getline(line.data(), static_cast<std::streamsize>(line.size()));
        read += static_cast<std::size_t>(in.gcount());
        if (in.eof() || in.bad()) {
            break;  // a last line without its newline was cut short
        }
        if (in.fail()) {  // longer than any record: the rest of it is skipped, not kept
            in.clear();
            in.ignore(static_cast<std::streamsize>(kLongestFile - read), '\n');
            read += static_cast<std::size_t>(in.gcount());
            continue;
        }
        std::string text(line.data(), static_cast<std::size_t>(in.gcount()) - 1);
        if (ParseRecord(text)) {
            whole.push_back(std::move(text));
        }
    }
    return whole;
}

bool RunHistory::Append(const RunRecord& record) {
    const std::string line = FormatRecord(record);
    const auto slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0 && !MakeDirectories(path.substr(0, slash))) {
        Complain(path, text::kCannotMake);
        return false;
    }
    if (!lines) {
        lines = WholeLines().size();
    }
    // Read too: its last byte tells whether the line before ends.
    const UniqueFd fd(open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd.Valid()) {
        Complain(path, text::kCannotOpen);
        return false;
    }
    const int failure = AppendWholeLine(fd.Get(), EndsLine(fd.Get()) ? line : '\n' + line);
    if (failure != 0) {
        Complain(path, text::kCannotWrite);
        return false;
    }
    if (++*lines > keep + keep / 10) {
        return Trim();
    }
    return true;
}

bool RunHistory::Trim() {
    std::vector<std::string> whole = WholeLines();
    const std::size_t from = whole.size() > keep ? whole.size() - keep : 0;
    std::string text;
    for (std::size_t i = from; i < whole.size(); ++i) {
        text += whole[i] + '\n';
    }
    // A new file of its own: what a trim killed half-way left behind goes first.
    const std::string temporary = path + ".new";
    unlink(temporary.c_str());
    UniqueFd fd(open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd.Valid()) {
        Complain(temporary, text::kCannotMake);
        return false;
    }
    const bool written = WriteAll(fd.Get(), text) && fsync(fd.Get()) == 0;
    fd.Reset();
    if (!written || rename(temporary.c_str(), path.c_str()) != 0) {
        Complain(path, text::kCannotRewrite);
        unlink(temporary.c_str());
        return false;
    }
    lines = whole.size() - from;
    return true;
}

std::vector<RunRecord> RunHistory::Read() const {
    const std::vector<std::string> whole = WholeLines();
    std::vector<RunRecord> records;
    for (std::size_t i = whole.size() > keep ? whole.size() - keep : 0; i < whole.size(); ++i) {
        records.push_back(*ParseRecord(whole[i]));
    }
    return records;
}

// Only the file's end is read: the tray asks for it at every start.
std::optional<RunRecord> RunHistory::Last() const {
    constexpr std::streamoff kTail = 8192;
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : 0;
    const std::streamoff from = size > kTail ? size - kTail : 0;
    in.seekg(from);
    std::string tail(static_cast<std::size_t>(size - from), '\0');
    in.read(tail.data(), static_cast<std::streamsize>(tail.size()));
    // Whole lines only: the first may have been cut by the seek, the last by a crash.
    std::size_t end = tail.rfind('\n');
    while (end != std::string::npos && end > 0) {
        const std::size_t begin = tail.rfind('\n', end - 1);
        if (begin == std::string::npos && from > 0) {
            break;
        }
        const std::size_t start = begin == std::string::npos ? 0 : begin + 1;
        if (auto record = ParseRecord(tail.substr(start, end - start))) {
            return record;
        }
        end = begin;
    }
    return std::nullopt;
}

}  // namespace hodra

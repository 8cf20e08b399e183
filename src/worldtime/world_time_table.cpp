#include "worldtime/world_time_table.h"

#include <QDir>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

#include "time/platform/unique_fd.h"
#include "settings/korean_code_page.h"

namespace hodra {
namespace {

// The file name's 15 bytes in the Korean code page.
const char kCp949FileName[] =
    "\xBC\xBC\xB0\xE8\xBD\xC3\xB0\xA3\xC7\xA5"
    "2.txt";

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

class Tokens {
public:
    explicit Tokens(const QByteArray& bytes) : p(bytes.constData()), end(bytes.constData() + bytes.size()) {}

    bool Next(std::string& token) {
        while (p < end && IsSpace(*p)) {
            ++p;
        }
        if (p == end) {
            return false;
        }
        const char* start = p;
        while (p < end && !IsSpace(*p)) {
            ++p;
        }
        token.assign(start, p);
        return true;
    }

    bool Name(std::string& out) { return Next(out) && out.size() <= WorldTimeTable::kMaxNameBytes; }

    bool Number(int& out) {
        std::string token;
        if (!Next(token)) {
            return false;
        }
        const char* first = token.data();
        const char* last = token.data() + token.size();
        if (first != last && *first == '+') {
            ++first;
        }
        const auto [stop, ec] = std::from_chars(first, last, out);
        return ec == std::errc() && stop == last;
    }

private:
    const char* p;
    const char* end;
};

QString Decode(const std::string& cp949) {
    return DecodeKorean(QByteArrayView(cp949.data(), static_cast<qsizetype>(cp949.size())));
}

bool IsFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

bool WorldTimeTable::Load(const QByteArray& bytes) {
    // Entries past the last load are still empty.
    for (int i = 0; i < loaded; ++i) {
        entries[static_cast<std::size_t>(i)] = RegionEntry{};
    }
    groupList.clear();
    loaded = 0;
    Tokens tokens(bytes);
    for (int g = 0; g < kGroups; ++g) {
        std::string groupName;
        int count = 0;
        if (!tokens.Name(groupName) || !tokens.Number(count)) {
            return false;
        }
        groupList.push_back({Decode(groupName), loaded, 0});
        for (int i = 0; i < count; ++i) {
            RegionEntry e;
            if (loaded >= kCapacity || !tokens.Name(e.name) || !tokens.Number(e.offsetMinutes) ||
                !tokens.Number(e.dstStart) || !tokens.Number(e.dstEnd)) {
                return false;
            }
            e.displayName = Decode(e.name);
            entries[static_cast<std::size_t>(loaded++)] = std::move(e);
            ++groupList.back().count;
        }
    }
    return true;
}

QString WorldTimeTable::GroupOf(int index) const {
    for (const RegionGroup& g : groupList) {
        if (index >= g.firstIndex && index < g.firstIndex + g.count) {
            return g.name;
        }
    }
    return {};
}

std::vector<int> WorldTimeTable::Find(const QString& text) const {
    std::vector<int> found;
    for (int i = 0; i < loaded; ++i) {
        if (text.isEmpty() || at(i).displayName.contains(text, Qt::CaseSensitive)) {
            found.push_back(i);
        }
    }
    return found;
}

std::string FindWorldTimeFile(const QStringList& dataDirectories) {
    QStringList dirs{QDir::currentPath()};
    dirs << dataDirectories;
    dirs.removeDuplicates();  // the caller's list usually starts with the current directory too
    for (const QString& dir : dirs) {
        const std::string base = QFile::encodeName(dir).toStdString() + "/";
        for (const char* name : {kWorldTimeFileName, kCp949FileName}) {
            if (IsFile(base + name)) {
                return base + name;
            }
        }
    }
    return {};
}

bool ReadWorldTimeFile(const std::string& path, QByteArray& bytes) {
    const UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid()) {
        return false;
    }
    bytes.clear();
    struct stat info {};
    if (fstat(fd.Get(), &info) != 0 || info.st_size > WorldTimeTable::kLongestFile) {
        return false;
    }
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            return true;
        }
        if (bytes.size() + n > WorldTimeTable::kLongestFile) {  // it grew while being read
            bytes.clear();
            return false;
        }
        bytes.append(buffer, n);
    }
}

}  // namespace hodra

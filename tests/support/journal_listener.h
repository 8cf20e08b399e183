#pragma once

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hodra::test {

using JournalEntry = std::map<std::string, std::string>;

// One datagram of journald's native protocol: "KEY=VALUE\n", or for a value that may hold
// a newline "KEY\n", its length as a little-endian 64-bit number, the bytes and "\n".
inline std::optional<JournalEntry> ParseJournalDatagram(std::string_view data) {
    JournalEntry entry;
    while (!data.empty()) {
        const std::size_t end = data.find('\n');
        if (end == std::string_view::npos) {
            return std::nullopt;
        }
        const std::string_view line = data.substr(0, end);
        data.remove_prefix(end + 1);
        if (const std::size_t equals = line.find('='); equals != std::string_view::npos) {
            entry[std::string(line.substr(0, equals))] = line.substr(equals + 1);
            continue;
        }
        std::uint64_t size = 0;
        for (std::size_t i = 0; i < sizeof size && i < data.size(); ++i) {
            size |= std::uint64_t{static_cast<unsigned char>(data[i])} << (8 * i);
        }
        if (data.size() < sizeof size || data.size() - sizeof size <= size || data[sizeof size + size] != '\n') {
            return std::nullopt;
        }
        entry[std::string(line)] = data.substr(sizeof size, size);
        data.remove_prefix(sizeof size + size + 1);
    }
    return entry;
}

// A field's value; empty when the entry lacks it.
inline std::string Field(const JournalEntry& entry, const std::string& key) {
    const auto found = entry.find(key);
    return found == entry.end() ? std::string() : found->second;
}

// journald as a test plays it: a datagram socket named `socket` in dir, which the programs
// under test see as /run/systemd/journal (run-sandboxed --journal dir).
class JournalListener {
public:
    explicit JournalListener(const std::string& dir) : fd(socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, (dir + "/socket").c_str(), sizeof address.sun_path - 1);
        EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << std::strerror(errno);
    }
    ~JournalListener() { close(fd); }
    JournalListener(const JournalListener&) = delete;
    JournalListener& operator=(const JournalListener&) = delete;

    // Every entry sent so far, one a datagram, in order; one not of the protocol fails the test.
    std::vector<JournalEntry> Take() {
        std::vector<JournalEntry> entries;
        std::string buffer(1 << 20, '\0');
        for (ssize_t n; (n = recv(fd, buffer.data(), buffer.size(), MSG_DONTWAIT)) >= 0;) {
            auto entry = ParseJournalDatagram({buffer.data(), static_cast<std::size_t>(n)});
            EXPECT_TRUE(entry && !entry->empty())
                << "not of the native protocol: " << buffer.substr(0, static_cast<std::size_t>(n));
            entries.push_back(entry.value_or(JournalEntry{}));
        }
        return entries;
    }

private:
    int fd = -1;
};

}  // namespace hodra::test

#include "journal_listener.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace hodra::test {

std::optional<JournalEntry> ParseJournalDatagram(std::string_view data) {
    JournalEntry entry;
    while (!data.empty()) {
        const std::size_t end = data.find('\n');
        if (end == std::string_view::npos) {
            return std::nullopt;
        }
        const std::string_view line = data.substr(0, end);
        data.remove_prefix(end + 1);
        if (const std::size_t equals = line.find('='); equals != std::string_view::npos) {
            entry[std::string(line.substr(0, equals))] = std::string(line.substr(equals + 1));
            continue;
        }
        std::uint64_t size = 0;
        if (data.size() < sizeof size) {
            return std::nullopt;
        }
        for (std::size_t i = 0; i < sizeof size; ++i) {
            size |= std::uint64_t{static_cast<unsigned char>(data[i])} << (8 * i);
        }
        data.remove_prefix(sizeof size);
        if (data.size() <= size || data[size] != '\n') {
            return std::nullopt;
        }
        entry[std::string(line)] = std::string(data.substr(0, size));
        data.remove_prefix(size + 1);
    }
    if (entry.empty()) {
        return std::nullopt;
    }
    return entry;
}

std::string Field(const JournalEntry& entry, const std::string& key) {
    const auto found = entry.find(key);
    return found == entry.end() ? std::string() : found->second;
}

JournalListener::JournalListener(const std::string& dir) : fd(socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = dir + "/socket";
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ADD_FAILURE() << "cannot listen on " << path << ": " << std::strerror(errno);
    }
}

JournalListener::~JournalListener() {
    close(fd);
}

std::vector<JournalEntry> JournalListener::Take() {
    std::vector<JournalEntry> entries;
    std::string buffer(1 << 20, '\0');
    for (ssize_t n; (n = recv(fd, buffer.data(), buffer.size(), MSG_DONTWAIT)) >= 0;) {
        const std::string_view datagram(buffer.data(), static_cast<std::size_t>(n));
        if (auto entry = ParseJournalDatagram(datagram)) {
            entries.push_back(std::move(*entry));
        } else {
            ADD_FAILURE() << "not an entry of the native protocol: " << datagram;
        }
    }
    return entries;
}

bool BindJournal(const std::string& dir) {
    return std::system((std::string(HODRA_BIND_JOURNAL " '") + dir + "'").c_str()) == 0;
}

}  // namespace hodra::test

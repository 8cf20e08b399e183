#include "platform/run_journal.h"
#include "time/platform/unique_fd.h"

#include <cstdint>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace hodra {
namespace {

// journald's own socket and its native protocol (stable, documented by systemd): one
// datagram an entry, each field "KEY=VALUE\n", or, for a value that holds a newline,
// "KEY\n", its length as a little-endian 64-bit number, the bytes and "\n".
constexpr char kJournalSocket[] = "/run/systemd/journal/socket";

void AppendField(std::string& datagram, const std::string& field) {
    const std::size_t equals = field.find('=');
    if (field.find('\n') == std::string::npos || equals == std::string::npos) {
        datagram += field + '\n';
        return;
    }
    const std::string value = field.substr(equals + 1);
    datagram.append(field, 0, equals).push_back('\n');
    for (int byte = 0; byte < 8; ++byte) {
        datagram.push_back(static_cast<char>((static_cast<std::uint64_t>(value.size()) >> (8 * byte)) & 0xff));
    }
    datagram += value + '\n';
}

}  // namespace

void SendRunToJournal(const SyncOutcome& outcome, std::string_view identifier) {
    std::string datagram;
    for (const std::string& field : RunJournalFields(outcome, identifier)) {
        AppendField(datagram, field);
    }
    const UniqueFd fd(socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd.Valid()) {
        return;
    }
    sockaddr_un journal{};
    journal.sun_family = AF_UNIX;
    std::memcpy(journal.sun_path, kJournalSocket, sizeof kJournalSocket);
    // Never waits: without journald the socket is not there, and a journald too busy to take
    // the entry at once costs the entry, not the run (nor the window's UI thread).
    (void)sendto(fd.Get(), datagram.data(), datagram.size(), MSG_NOSIGNAL | MSG_DONTWAIT,
                 reinterpret_cast<const sockaddr*>(&journal), sizeof journal);
}

}  // namespace hodra

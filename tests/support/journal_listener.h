#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hodra::test {

using JournalEntry = std::map<std::string, std::string>;

// One datagram of journald's native protocol: "KEY=VALUE\n", or for a value that may hold
// a newline "KEY\n", its length as a little-endian 64-bit number, the bytes and "\n".
// Nothing when the datagram is not of that form.
std::optional<JournalEntry> ParseJournalDatagram(std::string_view datagram);

// A field's value; empty when the entry lacks it.
std::string Field(const JournalEntry& entry, const std::string& key);

// journald as a test plays it: a datagram socket named `socket` in dir, which the programs
// under test see as /run/systemd/journal (run-sandboxed --journal dir, or BindJournal).
class JournalListener {
public:
    explicit JournalListener(const std::string& dir);
    ~JournalListener();
    JournalListener(const JournalListener&) = delete;
    JournalListener& operator=(const JournalListener&) = delete;

    // Every entry sent so far, one a datagram, in order. A datagram that is not of the
    // protocol fails the test.
    std::vector<JournalEntry> Take();

private:
    int fd = -1;
};

// Makes dir this process's /run/systemd/journal: only in a user and mount namespace of
// the test's own (the suite runs under unshare --user --map-root-user --mount).
bool BindJournal(const std::string& dir);

}  // namespace hodra::test

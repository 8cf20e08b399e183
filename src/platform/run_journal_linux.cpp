#include <sys/uio.h>

#include "run_journal.h"

// The entry is the run's, not a place in our sources: no CODE_FILE, CODE_LINE, CODE_FUNC.
#define SD_JOURNAL_SUPPRESS_LOCATION
#include <systemd/sd-journal.h>

namespace hodra {

void SendRunToJournal(const SyncOutcome& outcome, std::string_view identifier) {
    const std::vector<std::string> fields = RunJournalFields(outcome, identifier);
    std::vector<iovec> parts;
    parts.reserve(fields.size());
    for (const std::string& field : fields) {
        parts.push_back({const_cast<char*>(field.data()), field.size()});
    }
    // Without journald the socket is not there and the send fails at once; nothing to tell.
    sd_journal_sendv(parts.data(), static_cast<int>(parts.size()));
}

}  // namespace hodra

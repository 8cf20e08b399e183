#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace hodra {

struct SyncOutcome;

// SYSLOG_IDENTIFIER of the window's entries and of the clock helper's.
inline constexpr char kWindowJournalName[] = "hodra2";
inline constexpr char kHelperJournalName[] = "hodra2-sntp";

// How a run came about, as the journal says it: start-up, auto or user.
const char* TriggerWord(const SyncOutcome& outcome);

// One run as a structured journal entry, each field "KEY=value": MESSAGE (the message
// line), MESSAGE_ID (one per kind, journal_message_ids.h), PRIORITY, SYSLOG_IDENTIFIER,
// HODRA2_OUTCOME (the report line's word), HODRA2_TRIGGER and, when a server answered,
// HODRA2_SERVER, HODRA2_ADDRESS, HODRA2_OFFSET_SEC, HODRA2_DELAY_SEC, HODRA2_STRATUM and
// HODRA2_AUTH.
std::vector<std::string> RunJournalFields(const SyncOutcome& outcome, std::string_view identifier);

// Sends the run's entry to the systemd journal. Without a journal it does nothing, at once:
// the run is not the worse for it.
void SendRunToJournal(const SyncOutcome& outcome, std::string_view identifier);

}  // namespace hodra

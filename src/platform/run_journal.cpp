#include "platform/run_journal.h"

#include <syslog.h>

#include "sync/compare_text.h"
#include "platform/journal_message_ids.h"
#include "sync/sync_operation.h"

namespace hodra {
namespace {

struct Kind {
    const char* id;
    int priority;
};

// A run that measured is information, one that left the clock alone on purpose a notice,
// one that found no server or could not set the clock a warning.
Kind KindOf(RunResult result) {
    switch (result) {
    case RunResult::Compared: return {journal::kCompared, LOG_INFO};
    case RunResult::Set: return {journal::kSet, LOG_INFO};
    case RunResult::TooLarge: return {journal::kTooLarge, LOG_NOTICE};
    case RunResult::Unconfirmed: return {journal::kUnconfirmed, LOG_NOTICE};
    case RunResult::NoAnswer: return {journal::kNoAnswer, LOG_WARNING};
    case RunResult::NotStarted:
    case RunResult::NotPermitted:
    case RunResult::Failed: break;
    }
    return {journal::kFailed, LOG_WARNING};
}

}  // namespace

const char* TriggerWord(const SyncOutcome& outcome) {
    if (outcome.startUp) {
        return "start-up";
    }
    return outcome.automatic ? "auto" : "user";
}

std::vector<std::string> RunJournalFields(const SyncOutcome& outcome, std::string_view identifier) {
    const Kind kind = KindOf(outcome.result);
    const std::string word = ResultWord(outcome.result);
    std::vector<std::string> fields{
        "MESSAGE=" + ResultMessage(outcome),
        std::string("MESSAGE_ID=") + kind.id,
        "PRIORITY=" + std::to_string(kind.priority),
        "SYSLOG_IDENTIFIER=" + std::string(identifier),
        "HODRA2_OUTCOME=" + word,
        std::string("HODRA2_TRIGGER=") + TriggerWord(outcome),
    };
    if (outcome.Answered()) {
        fields.insert(fields.end(), {"HODRA2_SERVER=" + outcome.serverHost, "HODRA2_ADDRESS=" + outcome.serverAddress,
                                     "HODRA2_OFFSET_SEC=" + FormatFixed(outcome.offset, 9, true),
                                     "HODRA2_DELAY_SEC=" + FormatFixed(outcome.delay, 9),
                                     "HODRA2_STRATUM=" + std::to_string(outcome.stratum),
                                     std::string("HODRA2_AUTH=") + (outcome.authenticated ? "nts" : "none")});
    }
    return fields;
}

}  // namespace hodra

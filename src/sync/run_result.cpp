#include "sync/run_result.h"

#include "sync/compare_text.h"
#include "sync/sync_texts.h"

namespace hodra {
namespace {

// What a result's message is made of: a fixed text, or one made from the offset.
enum class MessageFrom { Text, CompareOffset, LargeStep };

struct ResultRow {
    RunResult result;
    const char* word;
    int exitStatus;
    MessageFrom messageFrom;
    const char* message;  // for MessageFrom::Text
};

// In the enum's order.
constexpr ResultRow kResults[] = {
    {RunResult::NotStarted, "failed", kExitSetFailed, MessageFrom::Text, text::kSyncFailed},
    {RunResult::NoAnswer, "no-answer", kExitNoAnswer, MessageFrom::Text, text::kNoResponse},
    {RunResult::Compared, "compared", kExitAnswered, MessageFrom::CompareOffset, nullptr},
    {RunResult::Set, "set", kExitAnswered, MessageFrom::Text, text::kSynchronised},
    {RunResult::NotPermitted, "not-permitted", kExitSetFailed, MessageFrom::Text, text::kSyncFailed},
    {RunResult::Failed, "failed", kExitSetFailed, MessageFrom::Text, text::kSyncFailed},
    {RunResult::TooLarge, "too-large", kExitTooLarge, MessageFrom::LargeStep, nullptr},
    {RunResult::Unconfirmed, "unconfirmed", kExitUnconfirmed, MessageFrom::Text, text::kUnconfirmed},
};

const ResultRow& RowOf(RunResult result) {
    return kResults[static_cast<std::size_t>(result)];
}

constexpr bool RowsInEnumOrder() {
    for (std::size_t i = 0; i < std::size(kResults); ++i) {
        if (static_cast<std::size_t>(kResults[i].result) != i) {
            return false;
        }
    }
    return true;
}
static_assert(RowsInEnumOrder());

}  // namespace

const char* ResultWord(RunResult result) {
    return RowOf(result).word;
}

std::optional<RunResult> ResultOfWord(std::string_view word) {
    for (const ResultRow& row : kResults) {
        if (word == row.word && row.result != RunResult::NotStarted) {
            return row.result;
        }
    }
    return std::nullopt;
}

int ExitStatusOf(RunResult result) {
    return RowOf(result).exitStatus;
}

bool Answered(RunResult result) {
    return result != RunResult::NotStarted && result != RunResult::NoAnswer;
}

std::string ResultMessage(RunResult result, double offset, bool systemKeepsClock) {
    const ResultRow& row = RowOf(result);
    switch (row.messageFrom) {
    case MessageFrom::CompareOffset: return systemKeepsClock ? SystemKeepsClockText(offset) : CompareText(offset);
    case MessageFrom::LargeStep: return LargeStepText(offset);
    case MessageFrom::Text: break;
    }
    return row.message;
}

}  // namespace hodra

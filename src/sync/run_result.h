#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace hodra {

// How a compare or synchronise run ended. The helper's report line, its exit status, the
// history file and the message line all read the one table behind the functions below.
enum class RunResult {
    NotStarted,    // no server's answer could count: the helper would not start, was
                   // stopped before it stepped, or left no report we could read
    NoAnswer,      // no server answered
    Compared,      // a server answered; the run only compared
    Set,           // the clock was stepped by the offset
    NotPermitted,  // this process may not set the clock (a system service may step it)
    Failed,        // the step was not made for another reason
    TooLarge,      // over the administrator's limit and not allowed for this run
    Unconfirmed,   // over the limit, and no second source agreed
};

// The helper's exit statuses; a run's is ExitStatusOf its result.
inline constexpr int kExitAnswered = 0;
inline constexpr int kExitNoAnswer = 1;
inline constexpr int kExitSetFailed = 3;
inline constexpr int kExitTooLarge = 4;     // over MaxStep without --allow-large-step: nothing set
inline constexpr int kExitUnconfirmed = 5;  // over MaxStep, and no second server agreed: nothing set

// The word the report line's outcome= field and the history file's OUTCOME column carry:
// compared, set, not-permitted, failed, too-large, unconfirmed or no-answer. A run that
// never started is written "failed".
const char* ResultWord(RunResult result);
// The result a word stands for; nothing for a word this version does not know. "failed"
// reads as Failed.
std::optional<RunResult> ResultOfWord(std::string_view word);
int ExitStatusOf(RunResult result);

// A server answered, so the run has a measurement.
bool Answered(RunResult result);

// The message line's text for a run's result. A compare's is the offset's; when the
// system's time service keeps the clock, the shorter text that says so.
std::string ResultMessage(RunResult result, double offset, bool systemKeepsClock = false);

}  // namespace hodra

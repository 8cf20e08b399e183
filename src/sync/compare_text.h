#pragma once

#include <string>

namespace hodra {

// Fixed-point text of value with the given decimals, independent of the locale.
std::string FormatFixed(double value, int decimals, bool withSign = false);

// What a compare run shows for an offset (server minus PC, seconds): fast at -0.1 and
// below, slow at +0.1 and above, in step between, one decimal.
std::string CompareText(double offset);
// The same measure, told as the comparison of a run that left the clock to the system's
// time service.
std::string SystemKeepsClockText(double offset);
// A step too large to be made without asking: the difference, told as the PC's error.
std::string LargeStepText(double offset);
// A second server whose offset disagrees with the first one's.
std::string DisagreementText(double secondOffset, double firstOffset);

}  // namespace hodra

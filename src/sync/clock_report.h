#pragma once

#include <string>

#include "sync_operation.h"

namespace hodra {

// The last line of hodra2-sntp's output: a run's result for the program that started it.
// Space-separated key=value fields, in this order:
//   server=HOST:PORT address=A.B.C.D offset=+S.SSSSSS delay=S.SSSSSS stratum=N answered=I outcome=WORD
// or, when no host answered, only "answered=I outcome=no-answer". answered is the 1-based
// position of the host that answered (one past the last when none did); WORD is compared,
// set, not-permitted (this process may not set the clock), failed or no-answer. Readers
// ignore keys they do not know, so fields may be added at the end.
std::string FormatClockReport(const SyncOutcome& outcome);

// Fills the measurement, serverId, clockSet and step fields of out from the last report line
// in text. False when there is none or it is malformed.
bool ParseClockReport(const std::string& text, SyncOutcome& out);

}  // namespace hodra

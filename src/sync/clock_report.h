#pragma once

#include <string>

#include "sync/sync_operation.h"

namespace hodra {

// The last line of hodra2-sntp's output: a run's result for the program that started it.
// Space-separated key=value fields, in this order:
//   server=HOST:PORT address=A.B.C.D offset=+S.SSSSSSSSS delay=S.SSSSSSSSS stratum=N answered=I outcome=WORD
//   transmit=STAMP receive=STAMP auth=AUTH samples=K/N
// or, when no host answered, only "answered=I outcome=no-answer". answered is the 1-based
// position of the host that answered (one past the last when none did); WORD is compared,
// set, not-permitted (this process may not set the clock), failed, too-large (the step is
// over the administrator's limit and was not allowed for this run), unconfirmed (over the
// limit, and no second server agreed) or no-answer; STAMP says
// whose times of sending and arrival the arithmetic used: kernel or user; AUTH is nts when
// the answer verified by Network Time Security, else none; K/N are the valid replies and the
// requests sent of the burst to the address that answered. Readers
// ignore keys they do not know, so fields may be added at the end.
std::string FormatClockReport(const SyncOutcome& outcome);

// Fills the measurement, serverId and result of out from the last report line in text.
// False when there is none or it is malformed.
bool ParseClockReport(const std::string& text, SyncOutcome& out);

}  // namespace hodra

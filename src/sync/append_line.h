#pragma once

#include <string>

namespace hodra {

// What AppendWholeLine returns when only part of the line could be written.
inline constexpr int kShortAppend = -1;

// Appends `line` (ending in '\n') to `fd`, opened with O_APPEND, in one write: whole or not
// at all. A short write (a full disk, a size limit) is taken back, so that the next line
// does not join a torn one. 0 when written, else the errno or kShortAppend.
int AppendWholeLine(int fd, const std::string& line);

}  // namespace hodra

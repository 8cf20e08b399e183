#pragma once

#include <functional>
#include <string>
#include <vector>

namespace hodra {

class CancelToken;

struct ChildResult {
    enum class Status { Exited, Killed, NotStarted, Cancelled };
    Status status = Status::NotStarted;
    int exitCode = -1;   // Exited
    int error = 0;       // errno, NotStarted
    std::string output;  // what it wrote to its standard output (also when Cancelled)
};

// Runs a program (a full path) with this process's environment and standard error, its
// standard input empty, collects its standard output and waits for its end. A raised
// cancel asks it to stop and keeps what it still writes; one that does not end within a
// few seconds is killed. The operating system's runner is RunChild (src/platform).
using ChildRunner = std::function<ChildResult(const std::vector<std::string>& argv, const CancelToken& cancel)>;

}  // namespace hodra

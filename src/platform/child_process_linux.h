#pragma once

#include "sync/child_process.h"

namespace hodra {

// The ChildRunner of Linux: posix_spawn with a clean signal state, SIGTERM on a cancel.
ChildResult RunChild(const std::vector<std::string>& argv, const CancelToken& cancel);

}  // namespace hodra

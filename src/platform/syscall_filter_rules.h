#pragma once

#include <linux/filter.h>
#include <string>
#include <vector>

namespace hodra {

// The clock helper's two seccomp allowlists. libseccomp compiles them to BPF once, when the
// tree is built (seccomp_filter_compiler): compiling them at every run took 0.4 ms, a
// quarter of a whole run on loopback. The programs load the compiled result.
enum class FilterList { Keeper, NetworkProcess };

// The list as a BPF program; empty, with why in failure, when libseccomp refused it.
std::vector<sock_filter> CompileFilter(FilterList list, std::string& failure);

}  // namespace hodra

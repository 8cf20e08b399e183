#pragma once

#include <fstream>

namespace hodra::test {

// Whether this process runs in a user namespace of its own: the initial one maps every id,
// a private one (unshare --user --map-root-user) a single id.
inline bool InPrivateUserNamespace() {
    std::ifstream map("/proc/self/uid_map");
    long inside = 0;
    long outside = 0;
    long count = 0;
    map >> inside >> outside >> count;
    return map && count != 4294967295L;
}

}  // namespace hodra::test

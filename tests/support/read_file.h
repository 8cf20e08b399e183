#pragma once

#include <fstream>
#include <sstream>
#include <string>

namespace hodra::test {

// A whole file as text; empty when it is not there.
inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace hodra::test

#include "settings/key_file.h"

namespace hodra {
namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

}  // namespace

std::map<std::string, std::string> ReadKeyFileGroup(std::istream& in, std::string_view group) {
    std::map<std::string, std::string> values;
    bool inGroup = false;
    bool first = true;
    for (std::string line; std::getline(in, line);) {
        // Editors that save UTF-8 may put a byte-order mark before the first line.
        if (first && line.rfind(kByteOrderMark, 0) == 0) {
            line.erase(0, sizeof kByteOrderMark - 1);
        }
        first = false;
        line = Trimmed(line);
        if (line.empty() || line[0] == ';' || line[0] == '#') {
            continue;
        }
        if (line.front() == '[' && line.back() == ']') {
            inGroup = std::string_view(line).substr(1, line.size() - 2) == group;
            continue;
        }
        const auto equals = line.find('=');
        if (inGroup && equals != std::string::npos) {
            values.emplace(Trimmed(line.substr(0, equals)), Trimmed(line.substr(equals + 1)));
        }
    }
    return values;
}

}  // namespace hodra

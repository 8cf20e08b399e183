#pragma once

#include <istream>
#include <map>
#include <string>
#include <string_view>

namespace hodra {

// The keys of one [group] of an INI-style key file (the deployment file, a desktop entry,
// mimeapps.list): keys and values trimmed, the first of a repeated key kept. Lines starting
// with ';' or '#' are comments; a UTF-8 byte-order mark before the first line is passed over.
// Values are as written: quoting is the caller's to undo.
std::map<std::string, std::string> ReadKeyFileGroup(std::istream& in, std::string_view group);

}  // namespace hodra

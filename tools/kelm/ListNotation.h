// The one notation for multi-valued fields in import and export files and on
// the command line:
//   a list          values separated by ','          1,2,3
//   a list of refs  entries separated by ';', each a name with an optional
//                   pin list in brackets              SOIC8[1,2,3,4];DIP8
// Spaces around values are dropped; empty values are skipped. A value cannot
// hold ',', ';', '[' or ']'.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kelmcli {

std::vector<std::string> SplitList(const std::string& text, char separator);
std::string JoinList(const std::vector<std::string>& values, char separator);

struct Ref {
    std::string name;
    std::optional<std::vector<std::string>> pins;  // absent: no brackets given
    bool operator==(const Ref&) const = default;
};

// Parses a list of refs; false with a message for unbalanced brackets, text
// after a closing bracket, or an entry without a name.
bool ParseRefs(const std::string& text, std::vector<Ref>& refs, std::string& error);
std::string FormatRefs(const std::vector<Ref>& refs);

}  // namespace kelmcli

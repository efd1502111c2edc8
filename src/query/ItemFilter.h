// The item filter: case-insensitive wildcard matching of item names.
#pragma once

#include <string>

#include "util/StringList.h"

namespace kelm {

// Empties `out`, then appends, in order and spelled as given, every item of
// `in` whose lower-case form matches the lower-case pattern.
void FilterItemList(const std::string& pattern, const StringList& in, StringList& out);

// '*' any run (the empty run included), '?' one character, anything else
// itself; the pattern must cover the whole text; byte by byte, with case.
// Time grows with pattern length times text length at most, however many
// '*' groups the pattern holds.
bool MatchWildcard(const std::string& pattern, const std::string& text);

}  // namespace kelm

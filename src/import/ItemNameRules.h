// Name rules applied before a part number or a symbol name reaches the store.
// Names are 8-bit strings; every search steps over double-byte characters of
// the current code page, so a trail byte is never taken for a '\', '+' or '-'.
#pragma once

#include <string>

namespace kelm {

// Replaces the first backslash by '_'; 1 when it replaced one, else 0.
int AdjustPartNumber(std::string& name);
// Replaces every '\', '+' and '-' by '_'; 1 when it replaced any, else 0.
int AdjustSymbolName(std::string& name);
// Every non-overlapping occurrence of from, left to right, exact case; an
// occurrence starts on a character boundary. An empty from changes nothing.
std::string ReplaceAll(const std::string& text, const std::string& from, const std::string& to);

}  // namespace kelm

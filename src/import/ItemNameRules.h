// Name rules applied before a part number or a symbol name reaches the store.
#pragma once

#include <string>

namespace kelm {

// Replaces the first backslash by '_'; 1 when it replaced one, else 0.
int AdjustPartNumber(std::string& name);
// Replaces every '\', '+' and '-' by '_'; 1 when it replaced any, else 0.
int AdjustSymbolName(std::string& name);
// Every non-overlapping occurrence of from, left to right, exact case.
std::string ReplaceAll(const std::string& text, const std::string& from, const std::string& to);

}  // namespace kelm

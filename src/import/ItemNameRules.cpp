#include "import/ItemNameRules.h"

namespace kelm {
int AdjustPartNumber(std::string&) { return 0; }
int AdjustSymbolName(std::string&) { return 0; }
std::string ReplaceAll(const std::string& text, const std::string&, const std::string&) { return text; }
}  // namespace kelm

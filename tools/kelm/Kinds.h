// Object kinds as the tool spells them: symbol, cell, part.
#pragma once

#include <string>
#include <vector>

#include "kelmapi/kelmapi.h"

namespace kelmcli {

// "symbol" -> KelmEnum_ObjType_LogicSymbol, "cell" -> _Cell, "part" -> _PartType;
// anything else -> KelmEnum_ObjType_None.
KelmEnum_ObjType ParseKind(const std::string& word);
std::string KindWord(KelmEnum_ObjType kind);
// The words accepted by --kind: all three, or the ones a command serves.
std::vector<std::string> KindWords();

}  // namespace kelmcli

#include "Kinds.h"

namespace kelmcli {

KelmEnum_ObjType ParseKind(const std::string& word) {
    if (word == "symbol") return KelmEnum_ObjType_LogicSymbol;
    if (word == "cell") return KelmEnum_ObjType_Cell;
    if (word == "part") return KelmEnum_ObjType_PartType;
    return KelmEnum_ObjType_None;
}

std::string KindWord(KelmEnum_ObjType kind) {
    switch (kind) {
    case KelmEnum_ObjType_LogicSymbol: return "symbol";
    case KelmEnum_ObjType_Cell: return "cell";
    case KelmEnum_ObjType_PartType: return "part";
    default: return "none";
    }
}

std::vector<std::string> KindWords() { return {"symbol", "cell", "part"}; }

}  // namespace kelmcli

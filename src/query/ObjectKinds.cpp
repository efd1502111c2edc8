// The one table of object kinds: store partition type, folder prefix and
// extension of each kind.
#include "query/ObjectKinds.h"

namespace kelm {
namespace {

struct KindInfo {
    int storeType;
    const char* folderPrefix;
    const char* extension;
};

// Null for a kind other than logic symbol, cell or part type.
const KindInfo* FindKind(KelmEnum_ObjType kind) {
    static constexpr KindInfo kSymbol{store::kPartitionTypeSymbol, "SymbolLibs\\", ""};
    static constexpr KindInfo kCell{store::kPartitionTypeCell, "CellDBLibs\\", ".cel"};
    static constexpr KindInfo kPart{store::kPartitionTypePart, "PartsDBLibs\\", ".pdb"};
    switch (static_cast<long>(kind)) {
        case KelmEnum_ObjType_LogicSymbol: return &kSymbol;
        case KelmEnum_ObjType_Cell: return &kCell;
        case KelmEnum_ObjType_PartType: return &kPart;
        default: return nullptr;
    }
}

}  // namespace

int GetStorePartitionType(KelmEnum_ObjType kind) {
    const KindInfo* info = FindKind(kind);
    return info != nullptr ? info->storeType : store::kPartitionTypeNone;
}

std::string BuildPartitionPath(const std::string& partitionName, KelmEnum_ObjType kind, int folderFlag,
                               int extensionFlag) {
    const KindInfo* info = FindKind(kind);
    if (info == nullptr) return {};
    std::string path;
    if (folderFlag == 1) path += info->folderPrefix;
    path += partitionName;
    if (extensionFlag == 1) path += info->extension;
    return path;
}

const char* FolderPrefixOfStoreType(int storePartitionType) {
    switch (storePartitionType) {
        case store::kPartitionTypeCell: return "CellDBLibs\\";
        case store::kPartitionTypePart: return "PartsDBLibs\\";
        case store::kPartitionTypeSymbol: return "SymbolLibs\\";
        default: return nullptr;
    }
}

std::string QualifiedSymbolName(const std::string& partitionName, const std::string& symbolName) {
    return partitionName + ":" + symbolName;
}

}  // namespace kelm

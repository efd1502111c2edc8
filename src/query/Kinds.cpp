// Object kinds and string arrays: not built yet.
#include "query/ObjectKinds.h"
#include "query/StringArrays.h"

namespace kelm {
int GetStorePartitionType(KelmEnum_ObjType) { return store::kPartitionTypeNone; }
std::string BuildPartitionPath(const std::string&, KelmEnum_ObjType, int, int) { return {}; }
const char* FolderPrefixOfStoreType(int) { return nullptr; }
std::string RefreshWord(KelmEnum_ObjType) { return {}; }
std::string QualifiedSymbolName(const std::string& p, const std::string& s) { return p + ":" + s; }
HRESULT StringListToSafeArray(const StringList&, SAFEARRAY**) { return E_NOTIMPL; }
void SortStringList(StringList&) {}
}  // namespace kelm

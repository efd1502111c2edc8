#include "query/PartitionItems.h"

namespace kelm {

HRESULT GetPartitionItemsCount(LibrarySession&, const std::string&, const std::string&, KelmEnum_ObjType,
                               long*) { return E_NOTIMPL; }
HRESULT GetPartitionItems(LibrarySession&, const std::string&, const std::string&, KelmEnum_ObjType,
                          SAFEARRAY**) { return E_NOTIMPL; }
HRESULT GetPartitionItemList(LibrarySession&, const std::string&, const std::string&, int, StringList&) { return E_NOTIMPL; }
void FilterItemList(const std::string&, const StringList&, StringList& out) { out.clear(); }
bool MatchWildcard(const std::string&, const std::string&) { return false; }

}  // namespace kelm

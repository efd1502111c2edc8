#include "query/ItemLookup.h"

namespace kelm {

HRESULT FindItemPartition(LibrarySession&, const std::string&, KelmEnum_ObjType, BSTR*) { return E_NOTIMPL; }
HRESULT DoesItemExist(LibrarySession&, const std::string&, const std::string&, const std::string&,
                      KelmEnum_ObjType, VARIANT_BOOL*) { return E_NOTIMPL; }
HRESULT GetItemPartitionList(LibrarySession&, const std::string&, int, StringList&) { return E_NOTIMPL; }
HRESULT GetItemPartition(LibrarySession&, const std::string&, int, std::string&) { return E_NOTIMPL; }

}  // namespace kelm

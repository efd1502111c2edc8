#include "maintenance/Partitions.h"

namespace kelm {
HRESULT AddPartition(LibrarySession&, const std::string&, KelmEnum_ObjType, VARIANT_BOOL) { return E_NOTIMPL; }
HRESULT DeletePartition(LibrarySession&, const std::string&, KelmEnum_ObjType) { return E_NOTIMPL; }
}  // namespace kelm

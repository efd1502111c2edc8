#include "maintenance/ItemCopy.h"

namespace kelm {
HRESULT CopyItemInQVM(LibrarySession&, const std::string&, const std::string&, const std::string&,
                      const std::string&, KelmEnum_ObjType, VARIANT_BOOL, VARIANT_BOOL) { return E_NOTIMPL; }
}  // namespace kelm

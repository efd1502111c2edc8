#include "maintenance/ItemDeletion.h"

namespace kelm {
HRESULT DeleteItemFromQVM(LibrarySession&, const std::string&, const std::string&, KelmEnum_ObjType,
                          VARIANT_BOOL*) { return E_NOTIMPL; }
}  // namespace kelm

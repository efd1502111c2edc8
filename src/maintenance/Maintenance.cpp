// Placeholders until the maintenance methods land.
#include "maintenance/DefaultPadstack.h"
#include "maintenance/ItemCopy.h"
#include "maintenance/ItemDeletion.h"
#include "maintenance/Partitions.h"

namespace kelm {

HRESULT AddPartition(LibrarySession&, const std::string&, KelmEnum_ObjType, VARIANT_BOOL) { return E_NOTIMPL; }
HRESULT DeletePartition(LibrarySession&, const std::string&, KelmEnum_ObjType) { return E_NOTIMPL; }
HRESULT DeleteItemFromQVM(LibrarySession&, const std::string&, const std::string&, KelmEnum_ObjType,
                          VARIANT_BOOL*) { return E_NOTIMPL; }
HRESULT CopyItemInQVM(LibrarySession&, const std::string&, const std::string&, const std::string&,
                      const std::string&, KelmEnum_ObjType, VARIANT_BOOL, VARIANT_BOOL) { return E_NOTIMPL; }
HRESULT CreateDefaultPadstack(LibrarySession&, const std::string&, const std::string&) { return E_NOTIMPL; }

}  // namespace kelm

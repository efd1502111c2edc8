#include "import/CellImport.h"

namespace kelm {
HRESULT AddItemToQVM_Cell(LibrarySession&, const std::string&, const KelmStruct_Cell*, VARIANT_BOOL) { return E_NOTIMPL; }
}  // namespace kelm

#include "import/PartImport.h"

namespace kelm {
HRESULT AddItemToQVM_Part(LibrarySession&, const std::string&, const KelmStruct_PartType*, VARIANT_BOOL) { return E_NOTIMPL; }
}  // namespace kelm

// Placeholders until the import methods land.
#include "import/CellImport.h"
#include "import/ItemNameRules.h"
#include "import/PartImport.h"
#include "import/RecordArrays.h"

namespace kelm {

HRESULT SafeArrayToStringList(SAFEARRAY*, StringList&) { return E_NOTIMPL; }
long RecordArrayCount(SAFEARRAY*) { return 0; }
int AdjustPartNumber(std::string&) { return 0; }
int AdjustSymbolName(std::string&) { return 0; }
std::string ReplaceAll(const std::string& text, const std::string&, const std::string&) { return text; }
HRESULT AddItemToQVM_Part(LibrarySession&, const std::string&, const KelmStruct_PartType*, VARIANT_BOOL) { return E_NOTIMPL; }
HRESULT AddItemToQVM_Cell(LibrarySession&, const std::string&, const KelmStruct_Cell*, VARIANT_BOOL) { return E_NOTIMPL; }

}  // namespace kelm

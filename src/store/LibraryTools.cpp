// Store-level tooling: not built yet.
#include "store/LibraryTools.h"

#include "store/StoreStatus.h"

namespace kelm::store {
HRESULT CreateLibrary(const std::string&) { return E_NOTIMPL; }
HRESULT CellDBAddCell(const std::string&, const std::string&, const StringList&, const StringList&) { return E_NOTIMPL; }
HRESULT SymbolFileAdd(const std::string&, const std::string&, const std::string&, const StringList&) { return E_NOTIMPL; }
HRESULT PadstackDBCreate(const std::string&) { return E_NOTIMPL; }
HRESULT PadstackDBList(const std::string&, std::vector<padstackdb::PadstackData>&) { return E_NOTIMPL; }
}  // namespace kelm::store

#include "query/UsageQueries.h"

namespace kelm {

HRESULT GetPinCount(LibrarySession&, const std::string&, const std::string&, KelmEnum_ObjType, long*) { return E_NOTIMPL; }
HRESULT GetPartsUsingThisCell(LibrarySession&, const std::string&, SAFEARRAY**) { return E_NOTIMPL; }
HRESULT GetPartitionsStoringThisCell(LibrarySession&, const std::string&, SAFEARRAY**) { return E_NOTIMPL; }
HRESULT GetItemPinList(LibrarySession&, const std::string&, const std::string&, int, StringList&) { return E_NOTIMPL; }

}  // namespace kelm

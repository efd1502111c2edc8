#include "query/SearchSchemes.h"

namespace kelm {

HRESULT GetSearchScheme_Default(LibrarySession&, BSTR*) { return E_NOTIMPL; }
HRESULT GetSearchScheme_All(LibrarySession&, SAFEARRAY**) { return E_NOTIMPL; }
HRESULT GetPartitionList_SearchScheme(LibrarySession&, const std::string&, KelmEnum_ObjType, VARIANT_BOOL,
                                      VARIANT_BOOL, SAFEARRAY**) { return E_NOTIMPL; }
HRESULT GetPartitionList_DefaultSearchScheme(IKelm&, KelmEnum_ObjType, VARIANT_BOOL, VARIANT_BOOL,
                                             SAFEARRAY**) { return E_NOTIMPL; }
HRESULT GetPartitionList(LibrarySession&, const std::string&, int, int, int, StringList&) { return E_NOTIMPL; }

}  // namespace kelm

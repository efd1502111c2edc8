#include "session/CuratorLauncher.h"

namespace kelm {

HRESULT RunCurator(LibrarySession&, const std::string&, const std::string&) { return E_NOTIMPL; }
HRESULT RefreshQVMTree(LibrarySession&, const std::string&, KelmEnum_ObjType) { return E_NOTIMPL; }

}  // namespace kelm

#include "maintenance/DefaultPadstack.h"

namespace kelm {
HRESULT CreateDefaultPadstack(LibrarySession&, const std::string&, const std::string&) { return E_NOTIMPL; }
}  // namespace kelm

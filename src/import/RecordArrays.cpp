#include "import/RecordArrays.h"

namespace kelm {
HRESULT SafeArrayToStringList(SAFEARRAY*, StringList&) { return E_NOTIMPL; }
long RecordArrayCount(SAFEARRAY*) { return 0; }
}  // namespace kelm

#include "platform/TypeLibrary.h"

namespace kelm::platform {

HRESULT RegisteredTypeInfo(REFGUID, WORD, WORD, LCID, REFIID, ITypeInfo** typeInfo) {
    if (typeInfo != nullptr) *typeInfo = nullptr;
    return E_NOTIMPL;
}

}  // namespace kelm::platform

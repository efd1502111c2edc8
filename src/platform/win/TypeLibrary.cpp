#include "platform/TypeLibrary.h"

#include <mutex>

#include "util/AutoTypes.h"

namespace kelm::platform {

// The component has one interface; one kept type information is enough.
HRESULT RegisteredTypeInfo(REFGUID libid, WORD major, WORD minor, LCID lcid, REFIID iid, ITypeInfo** typeInfo) {
    static std::mutex lock;
    static ITypeInfo* kept = nullptr;
    std::lock_guard<std::mutex> guard(lock);
    if (kept == nullptr) {
        ComPtr<ITypeLib> library;
        RETURN_IF_FAILED(LoadRegTypeLib(libid, major, minor, lcid, library.Out()));
        RETURN_IF_FAILED(library->GetTypeInfoOfGuid(iid, &kept));
    }
    if (typeInfo != nullptr) {
        kept->AddRef();
        *typeInfo = kept;
    }
    return S_OK;
}

}  // namespace kelm::platform

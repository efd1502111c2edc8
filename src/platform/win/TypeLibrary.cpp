#include "platform/TypeLibrary.h"

#include <mutex>

namespace kelm::platform {

// The component has one interface; one kept type information is enough.
HRESULT RegisteredTypeInfo(REFGUID libid, WORD major, WORD minor, LCID lcid, REFIID iid, ITypeInfo** typeInfo) {
    static std::mutex lock;
    static ITypeInfo* kept = nullptr;
    std::lock_guard<std::mutex> guard(lock);
    if (kept == nullptr) {
        ITypeLib* library = nullptr;
        HRESULT hr = LoadRegTypeLib(libid, major, minor, lcid, &library);
        if (FAILED(hr)) return hr;
        hr = library->GetTypeInfoOfGuid(iid, &kept);
        library->Release();
        if (FAILED(hr)) return hr;
    }
    if (typeInfo != nullptr) {
        kept->AddRef();
        *typeInfo = kept;
    }
    return S_OK;
}

}  // namespace kelm::platform

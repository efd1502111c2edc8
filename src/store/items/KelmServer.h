// KelmServer: one session of the library store. Every other store object is
// created on a KelmServer and reaches the library only through it.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "store/items/StoreBackend.h"

namespace kelm::store {

using BackendFactory = std::function<std::shared_ptr<StoreBackend>()>;

// The backend that KelmServer(name) creates: the file-backed store unless a
// test installed another. Passing an empty function restores the default.
void SetDefaultBackendFactory(BackendFactory factory);
std::shared_ptr<StoreBackend> CreateDefaultBackend();

class KelmServer {
public:
    explicit KelmServer(const char* name);  // the component passes a null name
    KelmServer(const char* name, std::shared_ptr<StoreBackend> backend);
    KelmServer(const KelmServer&) = delete;
    KelmServer& operator=(const KelmServer&) = delete;
    ~KelmServer();  // releases whatever the session still holds, also a loaded library

    HRESULT Init();
    HRESULT Load(const char* file, int mode);  // mode 1 read-only, 0 read-write; (null, 1) reloads
    HRESULT Save(const char* file, int reservedMode, int reservedFlags);
    void Close();

    std::string LastErrorText() const;
    StoreBackend& Backend() const { return *m_backend; }

private:
    std::shared_ptr<StoreBackend> m_backend;  // never null
};

}  // namespace kelm::store

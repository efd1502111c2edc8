#include "store/items/KelmServer.h"

#include <mutex>

#include "store/file/FileStore.h"

namespace kelm::store {
namespace {
std::mutex g_factoryMutex;
BackendFactory g_factory;  // empty: the file-backed store
}  // namespace

void SetDefaultBackendFactory(BackendFactory factory) {
    std::lock_guard<std::mutex> lock(g_factoryMutex);
    g_factory = std::move(factory);
}

std::shared_ptr<StoreBackend> CreateDefaultBackend() {
    BackendFactory factory;
    {
        std::lock_guard<std::mutex> lock(g_factoryMutex);
        factory = g_factory;
    }
    std::shared_ptr<StoreBackend> backend = factory ? factory() : CreateFileStoreBackend();
    // A store that cannot be had answers every call with KELM_E_STORE_UNAVAILABLE.
    return backend ? backend : std::make_shared<StoreBackend>();
}

KelmServer::KelmServer(const char* name) : KelmServer(name, CreateDefaultBackend()) {}

KelmServer::KelmServer(const char* /*name*/, std::shared_ptr<StoreBackend> backend)
    : m_backend(backend ? std::move(backend) : std::make_shared<StoreBackend>()) {}

KelmServer::~KelmServer() = default;  // the backend releases a library still loaded

HRESULT KelmServer::Init() { return m_backend->Init(); }
HRESULT KelmServer::Load(const char* file, int mode) { return m_backend->Load(file, mode); }
HRESULT KelmServer::Save(const char* file, int reservedMode, int reservedFlags) { return m_backend->Save(file, reservedMode, reservedFlags); }
void KelmServer::Close() { m_backend->Close(); }
std::string KelmServer::LastErrorText() const { return m_backend->LastErrorText(); }

}  // namespace kelm::store

#include "store/FileStore.h"

namespace kelm::store {

// The file-backed store is not built yet: sessions get the empty backend,
// which answers KELM_E_STORE_UNAVAILABLE.
std::shared_ptr<StoreBackend> CreateFileStoreBackend() { return nullptr; }

}  // namespace kelm::store

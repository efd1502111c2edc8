// The file-backed library store: one library is one folder with its ".qvm"
// configuration file (see docs/library-format.md).
#pragma once

#include <memory>

#include "store/items/StoreBackend.h"

namespace kelm::store {

// A new, idle session of the file-backed store; null while it cannot be had.
std::shared_ptr<StoreBackend> CreateFileStoreBackend();

}  // namespace kelm::store

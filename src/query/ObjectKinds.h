// Object kinds and what derives from them: the store partition type, the
// folder prefix and extension of a relative partition path, the refresh
// word of the Curator tool, and qualified symbol names.
#pragma once

#include <string>

#include "kelmapi/kelmapi.h"
#include "store/items/StoreBackend.h"

namespace kelm {

// 1 -> 13, 2 -> 0, 3 -> 7, anything else -> 22.
int GetStorePartitionType(KelmEnum_ObjType kind);

// Folder prefix when folderFlag == 1, the name as passed, the extension when
// extensionFlag == 1; empty for a kind other than 1, 2 or 3.
std::string BuildPartitionPath(const std::string& partitionName, KelmEnum_ObjType kind, int folderFlag,
                               int extensionFlag);

// "CellDBLibs\", "PartsDBLibs\", "SymbolLibs\" for store types 0, 7, 13; null otherwise.
const char* FolderPrefixOfStoreType(int storePartitionType);

// Partition:Symbol, both exactly as passed.
std::string QualifiedSymbolName(const std::string& partitionName, const std::string& symbolName);

}  // namespace kelm

// Logic symbols of the library, named by their qualified name Partition:Symbol.
#pragma once

#include "store/items/KelmBase.h"

namespace kelm::store {

class KelmSymbol : public KelmBase {
public:
    KelmSymbol(KelmServer& server, const char* partition, const char* symbol, int partitionType);

    HRESULT GetSymbolsInPartition(StringList& symbols, const std::string& partition);
    HRESULT GetPinNames(StringList& pins, const std::string& symbol);
    HRESULT GetPartitionNames(StringList& partitions, const std::string& symbol);
    // The partitions holding a symbol of this bare name (not a qualified one).
    HRESULT GetHolders(StringList& partitions, const std::string& symbolName);
};

}  // namespace kelm::store

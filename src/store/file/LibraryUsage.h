// Where-used answers that the component's methods do not give: the part
// types that use a symbol, and the cells that use a padstack. Both read an
// open store session through the store's classes and change nothing.
#pragma once

#include <string>
#include <vector>

#include "store/items/KelmServer.h"

namespace kelm::store {

struct ItemUse {
    std::string partition;  // bare partition name
    std::string item;       // part number or cell name
    bool operator==(const ItemUse&) const = default;
};

// The part types whose symbols include `symbol`: a qualified name
// Partition:Symbol (the partition without regard to case), or a bare symbol
// name of any partition. Sorted by partition, then part number.
HRESULT PartsUsingSymbol(KelmServer& server, const std::string& symbol, std::vector<ItemUse>& uses);

// The cells that carry the padstack, sorted by partition, then cell name.
HRESULT CellsUsingPadstack(KelmServer& server, const std::string& padstack, std::vector<ItemUse>& uses);

}  // namespace kelm::store

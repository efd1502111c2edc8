#include "store/file/LibraryUsage.h"

#include <algorithm>

#include "store/format/PartitionNames.h"
#include "store/items/KelmCell.h"
#include "store/items/KelmPart.h"
#include "store/items/KelmSchemePartition.h"
#include "util/AutoTypes.h"

namespace kelm::store {
namespace {

// The partitions of one type, as bare names and relative paths.
HRESULT PartitionsOfType(KelmServer& server, int type, std::vector<PartitionId>& ids, StringList& paths) {
    KelmSchemePartition schemes(server);
    schemes.InitPartitionType(type);
    StringList all;
    RETURN_IF_FAILED(schemes.GetAllPartitions(all, 1));
    for (const std::string& path : all) {
        PartitionId id;
        if (SUCCEEDED(ParsePartitionName(path, kPartitionTypeUnset, id)) && id.type == type) {
            ids.push_back(id);
            paths.push_back(path);
        }
    }
    return S_OK;
}

bool SymbolMatches(const std::string& itemSpec, const std::string& wanted) {
    const std::size_t colon = itemSpec.find(':');
    if (colon == std::string::npos) return itemSpec == wanted;
    const std::size_t wantedColon = wanted.find(':');
    if (wantedColon == std::string::npos) return itemSpec.compare(colon + 1, std::string::npos, wanted) == 0;
    return EqualNoCase(std::string_view(itemSpec).substr(0, colon), std::string_view(wanted).substr(0, wantedColon)) &&
           itemSpec.compare(colon, std::string::npos, wanted, wantedColon) == 0;
}

void Sort(std::vector<ItemUse>& uses) {
    std::sort(uses.begin(), uses.end(), [](const ItemUse& a, const ItemUse& b) {
        const std::string la = LowerAscii(a.partition), lb = LowerAscii(b.partition);
        return la != lb ? la < lb : a.item < b.item;
    });
}

}  // namespace

HRESULT PartsUsingSymbol(KelmServer& server, const std::string& symbol, std::vector<ItemUse>& uses) {
    uses.clear();
    std::vector<PartitionId> ids;
    StringList paths;
    RETURN_IF_FAILED(PartitionsOfType(server, kPartitionTypePart, ids, paths));
    KelmPart part(server, nullptr);
    StringList numbers;
    PartRecord record;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        RETURN_IF_FAILED(part.GetPartsInPartition(numbers, paths[i]));
        for (const std::string& number : numbers) {
            RETURN_IF_FAILED(part.GetRecord(number, record));
            const bool usesSymbol = std::any_of(record.symbols.begin(), record.symbols.end(),
                                                 [&](const SymbolRef& ref) { return SymbolMatches(ref.itemSpec, symbol); });
            if (usesSymbol) uses.push_back({ids[i].name, number});
        }
    }
    Sort(uses);
    return S_OK;
}

HRESULT CellsUsingPadstack(KelmServer& server, const std::string& padstack, std::vector<ItemUse>& uses) {
    uses.clear();
    std::vector<PartitionId> ids;
    StringList paths;
    RETURN_IF_FAILED(PartitionsOfType(server, kPartitionTypeCell, ids, paths));
    KelmCell cell(server, nullptr, nullptr);
    StringList names;
    CellRecord record;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        RETURN_IF_FAILED(cell.GetCellsInPartition(names, paths[i]));
        for (const std::string& name : names) {
            RETURN_IF_FAILED(cell.GetRecord(name, paths[i], record));
            if (std::find(record.padstacks.begin(), record.padstacks.end(), padstack) != record.padstacks.end())
                uses.push_back({ids[i].name, name});
        }
    }
    Sort(uses);
    return S_OK;
}

}  // namespace kelm::store

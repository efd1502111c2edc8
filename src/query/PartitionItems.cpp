#include "query/PartitionItems.h"

#include "query/ObjectKinds.h"
#include "query/StringArrays.h"
#include "store/items/KelmCell.h"
#include "store/items/KelmPart.h"
#include "store/items/KelmSchemePartition.h"
#include "store/items/KelmSymbol.h"

namespace kelm {
namespace {

// An empty filter or exactly "*" asks for every item: the store counts them
// without listing.
bool CountsEverything(const std::string& filter) { return filter.empty() || filter == "*"; }

}  // namespace

HRESULT GetPartitionItemsCount(LibrarySession& session, const std::string& partitionName,
                               const std::string& itemFilter, KelmEnum_ObjType kind, long* o_pnItemCount) {
    RETURN_HR_IF_NULL(E_POINTER, o_pnItemCount);
    RETURN_IF_NOT_OPEN(session);
    RETURN_HR_IF(E_FAIL, kind == KelmEnum_ObjType_None);
    const int storeType = GetStorePartitionType(kind);

    if (!CountsEverything(itemFilter)) {
        StringList items;
        const HRESULT hr = GetPartitionItemList(session, partitionName, itemFilter, storeType, items);
        *o_pnItemCount = static_cast<long>(items.size());
        return hr;
    }

    store::KelmSchemePartition partitions(session.Store());
    partitions.InitPartitionType(storeType);
    int count = 0;
    const HRESULT hr = partitions.GetNumObjectsInPartition(partitionName, count);
    *o_pnItemCount = count;
    return hr;
}

HRESULT GetPartitionItems(LibrarySession& session, const std::string& partitionName,
                          const std::string& itemFilter, KelmEnum_ObjType kind, SAFEARRAY** o_psarrItems) {
    RETURN_HR_IF_NULL(E_POINTER, o_psarrItems);
    RETURN_IF_NOT_OPEN(session);
    StringList items;
    RETURN_IF_FAILED(GetPartitionItemList(session, partitionName, itemFilter, GetStorePartitionType(kind), items));
    return StringListToSafeArray(items, o_psarrItems);
}

HRESULT GetPartitionItemList(LibrarySession& session, const std::string& partitionName,
                             const std::string& filter, int storePartitionType, StringList& out) {
    RETURN_IF_NOT_OPEN(session);
    std::string pattern = filter;
    StringList items;
    HRESULT hr = S_OK;
    switch (storePartitionType) {
    case store::kPartitionTypeCell: {
        store::KelmCell cells(session.Store(), nullptr, nullptr);
        hr = cells.GetCellsInPartition(items, partitionName);
        break;
    }
    case store::kPartitionTypePart: {
        store::KelmPart parts(session.Store(), nullptr);
        hr = parts.GetPartsInPartition(items, partitionName);
        break;
    }
    case store::kPartitionTypeSymbol: {
        store::KelmSymbol symbols(session.Store(), nullptr, nullptr, store::kPartitionTypeSymbol);
        hr = symbols.GetSymbolsInPartition(items, partitionName);
        pattern = QualifiedSymbolName(partitionName, filter);
        break;
    }
    default:
        return E_FAIL;
    }
    RETURN_IF_FAILED(hr);

    FilterItemList(pattern, items, out);
    SortStringList(out);
    return S_OK;
}

}  // namespace kelm

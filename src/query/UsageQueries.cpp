#include "query/UsageQueries.h"

#include "query/ObjectKinds.h"
#include "query/StringArrays.h"
#include "store/items/KelmCell.h"
#include "store/items/KelmPart.h"
#include "store/items/KelmSymbol.h"

namespace kelm {

HRESULT GetPinCount(LibrarySession& session, const std::string& partitionName, const std::string& itemName,
                    KelmEnum_ObjType kind, long* o_pnPinCount) {
    RETURN_HR_IF_NULL(E_POINTER, o_pnPinCount);
    RETURN_IF_NOT_OPEN(session);
    RETURN_HR_IF(E_FAIL, kind == KelmEnum_ObjType_None);
    StringList pins;
    const HRESULT hr = GetItemPinList(session, partitionName, itemName, GetStorePartitionType(kind), pins);
    *o_pnPinCount = static_cast<long>(pins.size());
    return hr;
}

// The store's status is not looked at: the client gets whatever the store
// left in the list.
HRESULT GetPartsUsingThisCell(LibrarySession& session, const std::string& cellName, SAFEARRAY** o_psarrParts) {
    RETURN_HR_IF_NULL(E_POINTER, o_psarrParts);
    RETURN_IF_NOT_OPEN(session);
    store::KelmCell cells(session.Store(), nullptr, nullptr);
    StringList parts;
    (void)cells.GetPartNumbers(parts, cellName);
    return StringListToSafeArray(parts, o_psarrParts);
}

HRESULT GetPartitionsStoringThisCell(LibrarySession& session, const std::string& cellName,
                                     SAFEARRAY** o_psarrPartitions) {
    RETURN_HR_IF_NULL(E_POINTER, o_psarrPartitions);
    RETURN_IF_NOT_OPEN(session);
    store::KelmCell cells(session.Store(), nullptr, nullptr);
    StringList partitions;
    (void)cells.GetPartitionNames(partitions, cellName);
    return StringListToSafeArray(partitions, o_psarrPartitions);
}

// Cells and part types are named by the item name alone; symbols by their
// qualified name.
HRESULT GetItemPinList(LibrarySession& session, const std::string& partitionName, const std::string& itemName,
                       int storePartitionType, StringList& out) {
    RETURN_IF_NOT_OPEN(session);
    out.clear();
    switch (storePartitionType) {
    case store::kPartitionTypeCell: {
        store::KelmCell cells(session.Store(), nullptr, nullptr);
        return cells.GetPinNames(out, itemName);
    }
    case store::kPartitionTypePart: {
        store::KelmPart parts(session.Store(), nullptr);
        return parts.GetPinNumbers(out, itemName);
    }
    case store::kPartitionTypeSymbol: {
        store::KelmSymbol symbols(session.Store(), nullptr, nullptr, store::kPartitionTypeSymbol);
        return symbols.GetPinNames(out, QualifiedSymbolName(partitionName, itemName));
    }
    default:
        return E_FAIL;
    }
}

}  // namespace kelm

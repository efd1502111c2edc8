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

namespace {

// A cell's list from the store as the client's array. The store's status is
// not looked at: the client gets whatever the store left in the list.
using CellList = HRESULT (store::KelmCell::*)(StringList&, const std::string&);
HRESULT CellListToArray(LibrarySession& session, const std::string& cellName, CellList read, SAFEARRAY** out) {
    RETURN_HR_IF_NULL(E_POINTER, out);
    RETURN_IF_NOT_OPEN(session);
    store::KelmCell cells(session.Store(), nullptr, nullptr);
    StringList list;
    (void)(cells.*read)(list, cellName);
    return StringListToSafeArray(list, out);
}

}  // namespace

HRESULT GetPartsUsingThisCell(LibrarySession& session, const std::string& cellName, SAFEARRAY** o_psarrParts) {
    return CellListToArray(session, cellName, &store::KelmCell::GetPartNumbers, o_psarrParts);
}

HRESULT GetPartitionsStoringThisCell(LibrarySession& session, const std::string& cellName,
                                     SAFEARRAY** o_psarrPartitions) {
    return CellListToArray(session, cellName, &store::KelmCell::GetPartitionNames, o_psarrPartitions);
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

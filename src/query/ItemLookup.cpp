#include "query/ItemLookup.h"

#include <algorithm>

#include "platform/CodePage.h"
#include "query/ObjectKinds.h"
#include "query/SearchSchemes.h"
#include "store/items/KelmCell.h"
#include "store/items/KelmPart.h"
#include "store/items/KelmSymbol.h"
#include "util/Flags.h"

namespace kelm {
namespace {

// The bare names of the default search scheme's partitions of one store type.
HRESULT DefaultSchemePartitions(LibrarySession& session, int storePartitionType, StringList& out) {
    return GetPartitionList(session, std::string(), 1, 1, storePartitionType, out);
}

// Cells: the given partition, or every default-scheme cell partition, except
// the excluded one (names compared with case).
bool CellExists(LibrarySession& session, const std::string& partitionName, const std::string& excludedPartitionName,
                const std::string& cellName) {
    StringList partitions;
    if (partitionName.empty()) {
        (void)DefaultSchemePartitions(session, store::kPartitionTypeCell, partitions);
    } else {
        partitions.push_back(partitionName);
    }
    store::KelmCell cells(session.Store(), nullptr, nullptr);
    // Across the scheme, the partitions holding the cell are asked for once
    // (one index lookup) instead of each partition in turn; both lists name
    // partitions as the configuration does.
    StringList holders;
    const bool holdersKnown = partitionName.empty() && SUCCEEDED(cells.GetPartitionNames(holders, cellName));
    for (const std::string& partition : partitions) {
        if (partition == excludedPartitionName) continue;
        const bool holds = holdersKnown ? std::find(holders.begin(), holders.end(), partition) != holders.end()
                                        : cells.DoesCellExist(cellName, partition);
        if (holds) return true;
    }
    return false;
}

// Part types: the one partition the store knows for the part must be the
// given one (or any, when none is given) and not the excluded one.
bool PartExists(LibrarySession& session, const std::string& partitionName, const std::string& excludedPartitionName,
                const std::string& partNumber) {
    store::KelmPart parts(session.Store(), nullptr);
    std::string partition;
    (void)parts.GetPartition(partition, partNumber);
    const bool found = partitionName.empty() ? !partition.empty() : partition == partitionName;
    return found && partition != excludedPartitionName;
}

// Symbols are searched only in the default search scheme, in its order. The
// last partition's status is the answer, whatever the earlier ones said.
HRESULT SymbolPartitions(LibrarySession& session, const std::string& symbolName, StringList& out) {
    StringList partitions;
    RETURN_IF_FAILED(DefaultSchemePartitions(session, store::kPartitionTypeSymbol, partitions));
    store::KelmSymbol symbols(session.Store(), nullptr, nullptr, store::kPartitionTypeSymbol);
    HRESULT last = S_OK;
    for (const std::string& partition : partitions) {
        StringList holders;
        last = symbols.GetPartitionNames(holders, QualifiedSymbolName(partition, symbolName));
        if (SUCCEEDED(last)) out.insert(out.end(), holders.begin(), holders.end());
    }
    return last;
}

}  // namespace

HRESULT FindItemPartition(LibrarySession& session, const std::string& itemName, KelmEnum_ObjType kind,
                          BSTR* o_psPartitionName) {
    RETURN_HR_IF_NULL(E_POINTER, o_psPartitionName);
    RETURN_IF_NOT_OPEN(session);
    RETURN_HR_IF(E_FAIL, kind == KelmEnum_ObjType_None);
    std::string partition;
    RETURN_IF_FAILED(GetItemPartition(session, itemName, GetStorePartitionType(kind), partition));
    BSTR result = platform::AnsiToBstr(partition);
    RETURN_HR_IF_NULL(E_OUTOFMEMORY, result);
    *o_psPartitionName = result;
    return S_OK;
}

HRESULT DoesItemExist(LibrarySession& session, const std::string& partitionName,
                      const std::string& excludedPartitionName, const std::string& itemName,
                      KelmEnum_ObjType kind, VARIANT_BOOL* o_pbExists) {
    RETURN_HR_IF_NULL(E_POINTER, o_pbExists);
    RETURN_HR_IF(E_NOTIMPL, kind != KelmEnum_ObjType_Cell && kind != KelmEnum_ObjType_PartType);
    RETURN_IF_NOT_OPEN(session);
    *o_pbExists = VARIANT_FALSE;
    const bool exists = kind == KelmEnum_ObjType_Cell
                            ? CellExists(session, partitionName, excludedPartitionName, itemName)
                            : PartExists(session, partitionName, excludedPartitionName, itemName);
    *o_pbExists = ToVariantBool(exists);
    return S_OK;
}

HRESULT GetItemPartitionList(LibrarySession& session, const std::string& itemName, int storePartitionType,
                             StringList& out) {
    RETURN_IF_NOT_OPEN(session);
    out.clear();
    switch (storePartitionType) {
    case store::kPartitionTypeCell: {
        store::KelmCell cells(session.Store(), nullptr, nullptr);
        return cells.GetPartitionNames(out, itemName);
    }
    case store::kPartitionTypePart: {
        // A part lives in one partition. The store answers success with an
        // empty name for a part it does not know: that part is nowhere, so
        // the lookup reports it as not found.
        store::KelmPart parts(session.Store(), nullptr);
        std::string partition;
        const HRESULT hr = parts.GetPartition(partition, itemName);
        if (SUCCEEDED(hr) && !partition.empty()) out.push_back(partition);
        return hr;
    }
    case store::kPartitionTypeSymbol:
        return SymbolPartitions(session, itemName, out);
    default:
        return E_FAIL;
    }
}

HRESULT GetItemPartition(LibrarySession& session, const std::string& itemName, int storePartitionType,
                         std::string& out) {
    RETURN_IF_NOT_OPEN(session);
    StringList partitions;
    RETURN_IF_FAILED(GetItemPartitionList(session, itemName, storePartitionType, partitions));
    RETURN_HR_IF(E_FAIL, partitions.empty());
    out = partitions.front();
    return S_OK;
}

}  // namespace kelm

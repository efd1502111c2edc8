#include "query/ItemLookup.h"

#include <algorithm>

#include "platform/CodePage.h"
#include "query/ObjectKinds.h"
#include "query/SearchSchemes.h"
#include "store/format/PartitionNames.h"
#include "store/items/KelmCell.h"
#include "store/items/KelmPart.h"
#include "store/items/KelmSymbol.h"
#include "util/Flags.h"

namespace kelm {
namespace {

// The places, in the kept default-scheme names, of the partitions the store
// named as holders (found as the store finds partitions, without regard to
// case), in scheme order; the irregular names are asked about one by one
// with `holds`.
template <typename Holds>
std::vector<std::size_t> PlacesOfHolders(const DefaultSchemeNames& scheme, const StringList& holders, Holds&& holds) {
    std::vector<std::size_t> places;
    if (holders.empty() && scheme.irregular.empty()) return places;
    for (std::size_t place = 0, next = 0; place < scheme.names.size(); ++place) {
        if (next < scheme.irregular.size() && scheme.irregular[next] == place) {
            ++next;
            if (holds(scheme.names[place])) places.push_back(place);
            continue;
        }
        for (const std::string& holder : holders)
            if (store::EqualNoCase(holder, scheme.names[place])) {
                places.push_back(place);
                break;
            }
    }
    return places;
}

// Cells: the given partition, or every default-scheme cell partition, except
// the excluded one (names compared with case). Across the scheme, the store
// names the partitions holding the cell once, and only those are looked at.
bool CellExists(LibrarySession& session, const std::string& partitionName, const std::string& excludedPartitionName,
                const std::string& cellName) {
    store::KelmCell cells(session.Store(), nullptr, nullptr);
    if (!partitionName.empty())
        return partitionName != excludedPartitionName && cells.DoesCellExist(cellName, partitionName);
    HRESULT status = S_OK;
    const DefaultSchemeNames* scheme = GetDefaultSchemeNames(session, store::kPartitionTypeCell, status);
    if (!scheme) return false;  // a failed list searches nothing
    const auto holds = [&](const std::string& partition) {
        return partition != excludedPartitionName && cells.DoesCellExist(cellName, partition);
    };
    StringList holders;
    if (FAILED(cells.GetPartitionNames(holders, cellName)))
        return std::any_of(scheme->names.begin(), scheme->names.end(), holds);
    for (const std::size_t place : PlacesOfHolders(*scheme, holders, holds))
        if (scheme->names[place] != excludedPartitionName) return true;
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

// Symbols are searched only in the default search scheme, in its order, one
// partition at a time: the answer of each partition is appended, and the
// last partition's status is the answer, whatever the earlier ones said.
HRESULT SymbolPartitions(LibrarySession& session, const std::string& symbolName, StringList& out) {
    HRESULT status = S_OK;
    const DefaultSchemeNames* scheme = GetDefaultSchemeNames(session, store::kPartitionTypeSymbol, status);
    RETURN_IF_FAILED(status);
    if (scheme->names.empty()) return S_OK;
    store::KelmSymbol symbols(session.Store(), nullptr, nullptr, store::kPartitionTypeSymbol);
    const auto ask = [&](const std::string& partition, StringList& holders) {
        return symbols.GetPartitionNames(holders, QualifiedSymbolName(partition, symbolName));
    };
    StringList holders;
    if (FAILED(symbols.GetHolders(holders, symbolName))) {
        HRESULT last = S_OK;
        for (const std::string& partition : scheme->names) {
            StringList found;
            last = ask(partition, found);
            if (SUCCEEDED(last)) out.insert(out.end(), found.begin(), found.end());
        }
        return last;
    }
    // Only the partitions holding the symbol answer with a name: theirs, as
    // the store spells it. The last partition is asked itself, for its status.
    const std::size_t last = scheme->names.size() - 1;
    const auto nameOf = [&](const std::string& partition) {
        StringList found;
        return SUCCEEDED(ask(partition, found)) ? found : StringList{};
    };
    for (const std::size_t place : PlacesOfHolders(*scheme, holders, [&](const std::string& partition) {
             return !nameOf(partition).empty();
         })) {
        if (place == last) break;
        const StringList found = nameOf(scheme->names[place]);
        out.insert(out.end(), found.begin(), found.end());
    }
    StringList found;
    const HRESULT lastStatus = ask(scheme->names[last], found);
    if (SUCCEEDED(lastStatus)) out.insert(out.end(), found.begin(), found.end());
    return lastStatus;
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

// What sits behind a KelmServer: one library session of the store.
//
// The store classes (KelmSchemePartition, KelmPart, KelmCell, KelmSymbol) are
// thin: they keep their own small state (partition type, working user,
// working partition and cell) and hand every operation, with that state, to
// the backend of their KelmServer. The file-backed store and the scriptable
// test double are the two backends. Every operation not overridden answers
// KELM_E_STORE_UNAVAILABLE, so an empty backend fails cleanly.
//
// Arguments named reserved* are fixed by the store's interface (callers pass
// null or 0; 1 to GetAllPartitions and AddPartition) and this store has no
// use for them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kelmapi/automation.h"
#include "store/items/NameIndex.h"
#include "store/items/StoreStatus.h"
#include "util/StringList.h"

namespace kelm::store {

// Store partition types (the component's kinds map to these).
inline constexpr int kPartitionTypeCell = 0;
inline constexpr int kPartitionTypePart = 7;
inline constexpr int kPartitionTypeSymbol = 13;
inline constexpr int kPartitionTypeNone = 22;
inline constexpr int kPartitionTypeUnset = -1;

// Whole records, for tools that read a library item by item (export,
// verification); the component's methods do not use them.
struct SymbolRef {
    std::string itemSpec;  // Partition:Symbol as the part refers to it
    StringList pins;
};
template <>
inline std::string_view NameOf<SymbolRef>(const SymbolRef& symbol) { return symbol.itemSpec; }
struct PartRecord {
    std::string number;
    std::string partition;
    StringList pins;
    std::string name;
    std::string label;
    int nameDefault = 0;
    int labelDefault = 0;
    std::string description;
    std::string type;
    std::int32_t timestamp = 0;
    StringList cells;              // ordered, no duplicates
    std::vector<SymbolRef> symbols;  // ordered, no duplicates
    // Whether a name is in cells or symbols already, kept by the store as
    // the lists grow (a cache: copies start empty).
    NameIndex cellIndex;
    NameIndex symbolIndex;
};
struct CellRecord {
    std::string name;
    std::string partition;
    StringList pins;
    int type = 0;
    std::int32_t timestamp = 0;
    StringList padstacks;
    NameIndex padstackIndex;  // as PartRecord's indexes
};
struct Reservation {
    std::string partition;  // relative partition path
    std::string holder;
};

// The properties a part type import sets, one after another, and the
// status of each: name, name default, label, label default, description,
// time stamp, type.
struct PartProperties {
    std::string name;
    int nameDefault = 0;
    std::string label;
    int labelDefault = 0;
    std::string description;
    std::int32_t timestamp = 0;
    std::string type;
};
struct PartPropertyStatuses {
    HRESULT name, nameDefault, label, labelDefault, description, timestamp, type;
};

// The state a store object carries into each call.
struct ObjectState {
    int partitionType = kPartitionTypeUnset;  // InitPartitionType, or KelmSymbol's constructor
    std::string workingUser;                  // SetWorkingUserName; empty until set
    std::optional<std::string> partition;     // constructor partition or SetWorkingPartition
    std::optional<std::string> cell;          // KelmCell constructor cell or SetWorkingCell
    std::optional<std::string> symbol;        // KelmSymbol constructor symbol
};

class StoreBackend {
public:
    virtual ~StoreBackend() = default;

    // KelmServer
    virtual HRESULT Init() { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT Load(const char* file, int mode) { (void)file; (void)mode; return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT Save(const char* file, int reservedMode, int reservedFlags) { (void)file; (void)reservedMode; (void)reservedFlags; return KELM_E_STORE_UNAVAILABLE; }
    virtual void Close() {}
    // Text of the last failure (file and line for a corrupt file, the holder
    // of a lock, ...); empty when there is nothing to add to the status.
    virtual std::string LastErrorText() const { return {}; }

    // A number that changes whenever the session's view of the search
    // schemes and partitions may have changed (its own edits, a reload, a
    // save that took in what other sessions saved), and is never the same
    // for two views, in any session; 0 when unknown: what is derived from
    // the schemes cannot then be kept.
    virtual std::uint64_t ViewVersion() const { return 0; }

    // KelmSchemePartition
    virtual HRESULT GetSchemes(const ObjectState&, StringList&) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT GetDefaultSearchSchemeName(const ObjectState&, std::string&) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT GetDefaultSearchScheme(const ObjectState&, StringList&) { return KELM_E_STORE_UNAVAILABLE; }
    // GetDefaultSearchScheme without a copy: the list stays valid until the
    // next call on this session. KELM_E_STORE_UNAVAILABLE where a backend
    // has no such view (ask GetDefaultSearchScheme then).
    virtual HRESULT ViewDefaultSearchScheme(const ObjectState&, const StringList*& /*partitions*/) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT GetSchemePartitionList(const ObjectState&, const std::string& /*scheme*/, StringList&) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT GetAllPartitions(const ObjectState&, StringList&, int /*reservedFlag*/) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT GetNumObjectsInPartition(const ObjectState&, const std::string& /*partition*/, int& /*count*/) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT AddPartition(const ObjectState&, const std::string& /*path*/, int /*reservedFlag*/) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT DeletePartition(const ObjectState&, const std::string& /*path*/) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT AddSearchScheme(const ObjectState&, const std::string& /*scheme*/, const StringList& /*partitions*/,
                                    int /*protection*/, int /*reservedFlag*/) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT DeleteScheme(const ObjectState&, const std::string& /*scheme*/) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT GetDefaultSchemeProtection(const ObjectState&, int& /*protection*/) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT ReservePartition(const ObjectState&, const std::string& /*partition*/, const std::string& /*user*/) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT UnReservePartition(const ObjectState&, const std::string& /*partition*/, const std::string& /*user*/) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT GetPartitionReservation(const ObjectState&, const std::string& /*partition*/, std::string& /*holder*/) { return KELM_E_STORE_UNAVAILABLE; }
    // The holder an edit of this session goes on behalf of: a holder the
    // session has seen may be trusted, since the save checks it again under
    // the lock; a partition seen free is asked about afresh.
    virtual HRESULT GetEditingHolder(const ObjectState& state, const std::string& partition, std::string& holder) {
        return GetPartitionReservation(state, partition, holder);
    }
    // Tools: every reservation of the library; re-read one partition from disk.
    virtual HRESULT GetReservations(const ObjectState&, std::vector<Reservation>&) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT RefreshPartition(const ObjectState&, const std::string& /*partition*/) { return KELM_E_STORE_UNAVAILABLE; }

    // KelmPart
    virtual HRESULT PartAdd(const ObjectState&, const std::string& /*partition*/, const StringList& /*pins*/,
                            const std::string& /*part*/, const char* /*reservedText*/, int /*reservedMode*/, int /*reservedFlags*/) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT PartDelete(const ObjectState&, const std::string& /*part*/) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT PartSetName(const ObjectState&, const std::string& /*text*/, const std::string& /*part*/) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT PartSetNameDefault(const ObjectState&, int /*value*/, const std::string& /*part*/) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT PartSetLabel(const ObjectState&, const std::string& /*text*/, const std::string& /*part*/) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT PartSetLabelDefault(const ObjectState&, int /*value*/, const std::string& /*part*/) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT PartSetDesc(const ObjectState&, const std::string& /*text*/, const std::string& /*part*/) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT PartSetType(const ObjectState&, const std::string& /*text*/, const std::string& /*part*/) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT PartSetTimestamp(const ObjectState&, std::int32_t /*time*/, const std::string& /*part*/) { return KELM_E_STORE_UNAVAILABLE; }
    // The seven setters above in their order; a backend may find the part once.
    virtual PartPropertyStatuses PartSetProperties(const ObjectState& state, const PartProperties& p, const std::string& part) {
        PartPropertyStatuses statuses{};
        statuses.name = PartSetName(state, p.name, part);
        statuses.nameDefault = PartSetNameDefault(state, p.nameDefault, part);
        statuses.label = PartSetLabel(state, p.label, part);
        statuses.labelDefault = PartSetLabelDefault(state, p.labelDefault, part);
        statuses.description = PartSetDesc(state, p.description, part);
        statuses.timestamp = PartSetTimestamp(state, p.timestamp, part);
        statuses.type = PartSetType(state, p.type, part);
        return statuses;
    }
    virtual HRESULT PartAddSymbol(const ObjectState&, const std::string& /*symbol*/, const StringList& /*pins*/,
                                  const std::string& /*part*/) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT PartAddCell(const ObjectState&, const std::string& /*cell*/, const std::string& /*part*/) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT PartGetPinNumbers(const ObjectState&, StringList&, const std::string& /*part*/) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT PartGetPartsInPartition(const ObjectState&, StringList&, const std::string& /*partition*/) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT PartGetPartition(const ObjectState&, std::string& /*partition*/, const std::string& /*part*/) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT PartGetRecord(const ObjectState&, const std::string& /*part*/, PartRecord&) { return KELM_E_STORE_UNAVAILABLE; }

    // KelmCell
    virtual HRESULT CellAdd(const ObjectState&, const StringList& /*pins*/, const std::string& /*cell*/,
                            const std::string& /*partition*/, int /*type*/, std::int32_t /*time*/, int /*reservedMode*/, int /*reservedFlags*/) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT CellDelete(const ObjectState&, const std::string& /*cell*/, const std::string& /*partition*/) { return KELM_E_STORE_UNAVAILABLE; }
    virtual bool CellExists(const ObjectState&, const std::string& /*cell*/, const std::string& /*partition*/) { return false; }
    virtual HRESULT CellReplacePins(const ObjectState&, const StringList& /*pins*/, const std::string& /*cell*/) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT CellAddPadstack(const ObjectState&, const std::string& /*padstack*/, const std::string& /*cell*/,
                                    const char* /*reservedText*/) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT CellSetTimestamp(const ObjectState&, std::int32_t /*time*/, const std::string& /*cell*/,
                                     const std::string& /*partition*/) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT CellGetPinNames(const ObjectState&, StringList&, const std::string& /*cell*/) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT CellGetPadstackNames(const ObjectState&, StringList&, const std::string& /*cell*/, const char* /*reservedText*/) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT CellGetType(const ObjectState&, int& /*type*/, const std::string& /*cell*/, const std::string& /*partition*/) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT CellGetPartNumbers(const ObjectState&, StringList&, const std::string& /*cell*/) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT CellGetPartitionNames(const ObjectState&, StringList&, const std::string& /*cell*/) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT CellGetCellsInPartition(const ObjectState&, StringList&, const std::string& /*partition*/) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT CellGetRecord(const ObjectState&, const std::string& /*cell*/, const std::string& /*partition*/, CellRecord&) { return KELM_E_STORE_UNAVAILABLE; }

    // KelmSymbol (symbols are named by their qualified name, Partition:Symbol)
    virtual HRESULT SymbolGetSymbolsInPartition(const ObjectState&, StringList&, const std::string& /*partition*/) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT SymbolGetPinNames(const ObjectState&, StringList&, const std::string& /*symbol*/) { return KELM_E_STORE_UNAVAILABLE; }
    virtual HRESULT SymbolGetPartitionNames(const ObjectState&, StringList&, const std::string& /*symbol*/) { return KELM_E_STORE_UNAVAILABLE; }
    // The symbol partitions, in configuration order, that hold a symbol of
    // this bare name, each as SymbolGetPartitionNames would find it; one
    // whose answer cannot be had is left out.
    virtual HRESULT SymbolGetHolders(const ObjectState&, StringList&, const std::string& /*symbol*/) { return KELM_E_STORE_UNAVAILABLE; }
};

}  // namespace kelm::store

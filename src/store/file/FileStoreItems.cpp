// Part types, cells and symbols of the file-backed store. Part numbers are
// unique in the whole library; a cell name may exist in several cell
// partitions (with the same pins); symbols are the symbol files of a
// symbol partition. Every edit needs the working user to hold the
// partition it changes.
#include <algorithm>

#include "store/file/FileStoreBackend.h"
#include "util/AutoTypes.h"

namespace kelm::store {
namespace {
const std::string& Or(const std::string& text, const std::optional<std::string>& fallback) {
    static const std::string empty;
    if (!text.empty()) return text;
    return fallback ? *fallback : empty;
}
StringList SortedCopy(StringList list) {
    std::sort(list.begin(), list.end());
    return list;
}
}  // namespace

// ---------------------------------------------------------------- indexes
// The library-wide indexes need only the number and the cells of each part
// type: partitions not read yet are scanned, not read, so that the first
// lookup does not build every record of the library.
HRESULT FileStoreBackend::ScanParts(Partition& partition, const PartLineVisitor& visit) {
    if (partition.loaded) {
        PartLine line;
        for (const auto& [number, part] : partition.parts) {
            line.number = number;
            line.cells = part.cells;
            line.cellCount = part.cells.size();
            visit(line);
        }
        return S_OK;
    }
    const std::string file = DataFile(partition.id);
    const platform::FileStamp stamp = platform::StampOf(file);
    std::string text, error;
    const platform::FileResult read = platform::ReadWholeFile(file, text, error);
    if (read != platform::FileResult::Ok && read != platform::FileResult::NotFound) return Fail(KELM_E_IO, error);
    if (read == platform::FileResult::Ok && !ScanPartFile(text, file, visit, error)) return Fail(KELM_E_CORRUPT, error);
    partition.scanned = true;
    partition.scanStamp = read == platform::FileResult::NotFound ? platform::FileStamp{} : stamp;
    return S_OK;
}

HRESULT FileStoreBackend::EnsurePartIndex() {
    if (m_partIndexValid) return S_OK;
    RETURN_IF_FAILED(RequireLoaded());
    std::unordered_map<std::string, Partition*> index = std::move(m_retiredPartIndex);
    index.clear();
    m_retiredPartIndex.clear();
    for (Partition* partition : m_byType[kPartitionTypePart]) {
        RETURN_IF_FAILED(ScanParts(*partition, [&](const PartLine& line) { index.emplace(line.number, partition); }));
    }
    m_partIndex = std::move(index);
    m_partIndexValid = true;
    return S_OK;
}

HRESULT FileStoreBackend::EnsureCellUseIndex() {
    if (m_cellUseValid) return S_OK;
    RETURN_IF_FAILED(RequireLoaded());
    std::unordered_map<std::string, StringList> uses = std::move(m_retiredCellUse);
    uses.clear();
    m_retiredCellUse.clear();
    for (Partition* partition : m_byType[kPartitionTypePart]) {
        RETURN_IF_FAILED(ScanParts(*partition, [&](const PartLine& line) {
            for (std::size_t i = 0; i < line.cellCount; ++i) uses[line.cells[i]].push_back(line.number);
        }));
    }
    for (auto& [cell, numbers] : uses) std::sort(numbers.begin(), numbers.end());
    m_cellUse = std::move(uses);
    m_cellUseValid = true;
    return S_OK;
}

// Cell names of every cell partition (all of them read), for the lookups of
// a cell named without its partition.
HRESULT FileStoreBackend::EnsureCellIndex() {
    if (m_cellIndexValid) return S_OK;
    std::unordered_map<std::string, std::vector<Partition*>> index;
    RETURN_IF_FAILED(ForEachPartition(kPartitionTypeCell, [&](Partition& partition) {
        for (const auto& [name, cell] : partition.cells) index[name].push_back(&partition);
        return true;
    }));
    m_cellIndex = std::move(index);
    m_cellIndexValid = true;
    return S_OK;
}

// ---------------------------------------------------------------- part types
// The index may come from a scan of a partition that another session has
// rewritten since: reading the partition then drops the indexes, and the
// lookup is made once more on the new ones.
HRESULT FileStoreBackend::FindPart(const std::string& number, Partition*& partition, PartRecord*& part) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        RETURN_IF_FAILED(EnsurePartIndex());
        const auto it = m_partIndex.find(number);
        if (it == m_partIndex.end()) break;
        partition = it->second;
        RETURN_IF_FAILED(EnsureLoaded(*partition));
        const auto record = partition->parts.find(number);
        if (m_partIndexValid && record != partition->parts.end()) {
            part = &record->second;
            return S_OK;
        }
    }
    return Fail(KELM_E_NO_SUCH_ITEM, "no part type \"" + number + "\"");
}

HRESULT FileStoreBackend::EditPart(const ObjectState& state, const std::string& number, PartRecord*& part) {
    RETURN_IF_FAILED(RequireWritable());
    Partition* partition = nullptr;
    RETURN_IF_FAILED(FindPart(number, partition, part));
    RETURN_IF_FAILED(CheckHolder(state, *partition));
    partition->dirty = true;
    partition->changedParts.insert(number);
    return S_OK;
}

HRESULT FileStoreBackend::PartAdd(const ObjectState& state, const std::string& partitionText, const StringList& pins,
                                  const std::string& number, const char*, int, int) {
    Partition* partition = nullptr;
    RETURN_IF_FAILED(Resolve(Or(partitionText, state.partition), kPartitionTypePart, partition));
    if (number.empty()) return Fail(KELM_E_BAD_ARGUMENT, "a part type needs a number");
    if (const char* reason = UnstorableNameReason(number, NameUse::Text))
        return Fail(KELM_E_UNSAFE_PATH, "part number \"" + number + "\" refused: " + reason);
    RETURN_IF_FAILED(CheckHolder(state, *partition));
    RETURN_IF_FAILED(EnsureLoaded(*partition));
    RETURN_IF_FAILED(EnsurePartIndex());
    if (const auto it = m_partIndex.find(number); it != m_partIndex.end())
        return Fail(kItemExistsOrMissing, "part type \"" + number + "\" exists in partition " + it->second->id.name);
    PartRecord part;
    part.number = number;
    part.partition = partition->id.name;
    part.pins = pins;
    partition->parts.emplace(number, std::move(part));
    partition->changedParts.insert(number);
    partition->dirty = true;
    m_partIndex.emplace(number, partition);
    return S_OK;
}

HRESULT FileStoreBackend::PartDelete(const ObjectState& state, const std::string& number) {
    RETURN_IF_FAILED(RequireWritable());
    Partition* partition = nullptr;
    PartRecord* part = nullptr;
    const HRESULT found = FindPart(number, partition, part);
    if (found == KELM_E_NO_SUCH_ITEM) return Fail(kItemExistsOrMissing, m_lastError);
    RETURN_IF_FAILED(found);
    RETURN_IF_FAILED(CheckHolder(state, *partition));
    if (m_cellUseValid) {
        for (const std::string& cell : part->cells) {
            const auto it = m_cellUse.find(cell);
            if (it == m_cellUse.end()) continue;
            StringList& numbers = it->second;
            const auto at = std::lower_bound(numbers.begin(), numbers.end(), number);
            if (at != numbers.end() && *at == number) numbers.erase(at);
        }
    }
    partition->parts.erase(number);
    partition->changedParts.insert(number);
    partition->dirty = true;
    m_partIndex.erase(number);
    return S_OK;
}

HRESULT FileStoreBackend::PartSetName(const ObjectState& state, const std::string& text, const std::string& number) {
    PartRecord* part = nullptr;
    RETURN_IF_FAILED(EditPart(state, number, part));
    part->name = text;
    return S_OK;
}

HRESULT FileStoreBackend::PartSetNameDefault(const ObjectState& state, int value, const std::string& number) {
    PartRecord* part = nullptr;
    RETURN_IF_FAILED(EditPart(state, number, part));
    part->nameDefault = value;
    return S_OK;
}

HRESULT FileStoreBackend::PartSetLabel(const ObjectState& state, const std::string& text, const std::string& number) {
    PartRecord* part = nullptr;
    RETURN_IF_FAILED(EditPart(state, number, part));
    part->label = text;
    return S_OK;
}

HRESULT FileStoreBackend::PartSetLabelDefault(const ObjectState& state, int value, const std::string& number) {
    PartRecord* part = nullptr;
    RETURN_IF_FAILED(EditPart(state, number, part));
    part->labelDefault = value;
    return S_OK;
}

HRESULT FileStoreBackend::PartSetDesc(const ObjectState& state, const std::string& text, const std::string& number) {
    PartRecord* part = nullptr;
    RETURN_IF_FAILED(EditPart(state, number, part));
    part->description = text;
    return S_OK;
}

HRESULT FileStoreBackend::PartSetType(const ObjectState& state, const std::string& text, const std::string& number) {
    PartRecord* part = nullptr;
    RETURN_IF_FAILED(EditPart(state, number, part));
    part->type = text;
    return S_OK;
}

HRESULT FileStoreBackend::PartSetTimestamp(const ObjectState& state, std::int32_t time, const std::string& number) {
    PartRecord* part = nullptr;
    RETURN_IF_FAILED(EditPart(state, number, part));
    part->timestamp = time;
    return S_OK;
}

HRESULT FileStoreBackend::PartAddSymbol(const ObjectState& state, const std::string& symbol, const StringList& pins,
                                        const std::string& number) {
    PartRecord* part = nullptr;
    RETURN_IF_FAILED(EditPart(state, number, part));
    if (symbol.empty()) return Fail(KELM_E_BAD_ARGUMENT, "a symbol needs a name");
    if (const char* reason = UnstorableNameReason(symbol, NameUse::Text))
        return Fail(KELM_E_UNSAFE_PATH, "symbol \"" + symbol + "\" refused: " + reason);
    if (part->symbolIndex.Contains(part->symbols, symbol, NameOf<SymbolRef>))
        return Fail(kAlreadyReferenced, "part type \"" + number + "\" already refers to symbol " + symbol);
    part->symbols.push_back({symbol, pins});
    return S_OK;
}

HRESULT FileStoreBackend::PartAddCell(const ObjectState& state, const std::string& cell, const std::string& number) {
    PartRecord* part = nullptr;
    RETURN_IF_FAILED(EditPart(state, number, part));
    if (cell.empty()) return Fail(KELM_E_BAD_ARGUMENT, "a cell needs a name");
    if (const char* reason = UnstorableNameReason(cell, NameUse::Text))
        return Fail(KELM_E_UNSAFE_PATH, "cell \"" + cell + "\" refused: " + reason);
    if (part->cellIndex.Contains(part->cells, cell, NameOf<std::string>))
        return Fail(kAlreadyReferenced, "part type \"" + number + "\" already refers to cell " + cell);
    part->cells.push_back(cell);
    if (m_cellUseValid) {
        StringList& numbers = m_cellUse[cell];
        numbers.insert(std::lower_bound(numbers.begin(), numbers.end(), number), number);
    }
    return S_OK;
}

HRESULT FileStoreBackend::PartGetPinNumbers(const ObjectState&, StringList& pins, const std::string& number) {
    Partition* partition = nullptr;
    PartRecord* part = nullptr;
    RETURN_IF_FAILED(FindPart(number, partition, part));
    pins = part->pins;
    return S_OK;
}

HRESULT FileStoreBackend::PartGetPartsInPartition(const ObjectState&, StringList& parts, const std::string& text) {
    Partition* partition = nullptr;
    RETURN_IF_FAILED(Resolve(text, kPartitionTypePart, partition));
    RETURN_IF_FAILED(EnsureLoaded(*partition));
    parts.clear();
    parts.reserve(partition->parts.size());
    for (const auto& [number, part] : partition->parts) parts.push_back(number);
    return S_OK;
}

HRESULT FileStoreBackend::PartGetPartition(const ObjectState&, std::string& name, const std::string& number) {
    RETURN_IF_FAILED(EnsurePartIndex());
    const auto it = m_partIndex.find(number);
    name = it == m_partIndex.end() ? std::string() : it->second->id.name;
    return S_OK;
}

HRESULT FileStoreBackend::PartGetRecord(const ObjectState&, const std::string& number, PartRecord& record) {
    Partition* partition = nullptr;
    PartRecord* part = nullptr;
    RETURN_IF_FAILED(FindPart(number, partition, part));
    record = *part;
    record.partition = partition->id.name;
    return S_OK;
}

// ---------------------------------------------------------------- cells
// The cell named alone: in the partition given, else the working partition,
// else the first cell partition (in configuration order) that holds it.
HRESULT FileStoreBackend::LocateCell(const ObjectState& state, const std::string& partitionText, const std::string& cell,
                                     Partition*& partition, CellRecord*& record) {
    partition = nullptr;
    record = nullptr;
    const std::string& named = Or(partitionText, state.partition);
    if (!named.empty()) {
        RETURN_IF_FAILED(Resolve(named, kPartitionTypeCell, partition));
        RETURN_IF_FAILED(EnsureLoaded(*partition));
        const auto it = partition->cells.find(cell);
        if (it == partition->cells.end())
            return Fail(KELM_E_NO_SUCH_ITEM, "no cell \"" + cell + "\" in partition " + partition->id.name);
        record = &it->second;
        return S_OK;
    }
    RETURN_IF_FAILED(EnsureCellIndex());
    const auto it = m_cellIndex.find(cell);
    if (it != m_cellIndex.end() && !it->second.empty()) {
        partition = it->second.front();
        record = &partition->cells.find(cell)->second;
    }
    if (!record) return Fail(KELM_E_NO_SUCH_ITEM, "no cell \"" + cell + "\"");
    return S_OK;
}

HRESULT FileStoreBackend::EditCell(const ObjectState& state, const std::string& partitionText, const std::string& cell,
                                   CellRecord*& record) {
    RETURN_IF_FAILED(RequireWritable());
    Partition* partition = nullptr;
    RETURN_IF_FAILED(LocateCell(state, partitionText, cell, partition, record));
    RETURN_IF_FAILED(CheckHolder(state, *partition));
    partition->dirty = true;
    return S_OK;
}

HRESULT FileStoreBackend::CellAdd(const ObjectState& state, const StringList& pins, const std::string& cell,
                                  const std::string& partitionText, int type, std::int32_t time, int, int) {
    Partition* partition = nullptr;
    RETURN_IF_FAILED(Resolve(Or(partitionText, state.partition), kPartitionTypeCell, partition));
    if (cell.empty()) return Fail(KELM_E_BAD_ARGUMENT, "a cell needs a name");
    if (const char* reason = UnstorableNameReason(cell, NameUse::Text))
        return Fail(KELM_E_UNSAFE_PATH, "cell name \"" + cell + "\" refused: " + reason);
    RETURN_IF_FAILED(CheckHolder(state, *partition));
    RETURN_IF_FAILED(EnsureLoaded(*partition));
    if (partition->cells.count(cell))
        return Fail(kItemExistsOrMissing, "cell \"" + cell + "\" exists in partition " + partition->id.name);
    // A cell of the same name elsewhere in the library must have the same pins.
    const StringList sorted = SortedCopy(pins);
    std::string differs;
    RETURN_IF_FAILED(ForEachPartition(kPartitionTypeCell, [&](Partition& other) {
        const auto it = other.cells.find(cell);
        if (it != other.cells.end() && SortedCopy(it->second.pins) != sorted) differs = other.id.name;
        return differs.empty();
    }));
    if (!differs.empty())
        return Fail(kAlreadyReferenced, "cell \"" + cell + "\" has other pins in partition " + differs);
    CellRecord record;
    record.name = cell;
    record.partition = partition->id.name;
    record.pins = pins;
    record.type = type;
    record.timestamp = time;
    partition->cells.emplace(cell, std::move(record));
    partition->dirty = true;
    if (m_cellIndexValid) {
        // Kept in configuration order.
        const std::vector<Partition*>& order = m_byType[kPartitionTypeCell];
        const auto rank = [&](Partition* p) { return std::find(order.begin(), order.end(), p) - order.begin(); };
        std::vector<Partition*>& holders = m_cellIndex[cell];
        auto at = holders.begin();
        while (at != holders.end() && rank(*at) < rank(partition)) ++at;
        holders.insert(at, partition);
    }
    return S_OK;
}

HRESULT FileStoreBackend::CellDelete(const ObjectState& state, const std::string& cell, const std::string& partitionText) {
    RETURN_IF_FAILED(RequireWritable());
    Partition* partition = nullptr;
    RETURN_IF_FAILED(Resolve(Or(partitionText, state.partition), kPartitionTypeCell, partition));
    RETURN_IF_FAILED(EnsureLoaded(*partition));
    if (!partition->cells.count(cell))
        return Fail(kItemExistsOrMissing, "no cell \"" + cell + "\" in partition " + partition->id.name);
    RETURN_IF_FAILED(CheckHolder(state, *partition));
    partition->cells.erase(cell);
    partition->dirty = true;
    if (m_cellIndexValid) {
        std::vector<Partition*>& holders = m_cellIndex[cell];
        holders.erase(std::remove(holders.begin(), holders.end(), partition), holders.end());
    }
    return S_OK;
}

bool FileStoreBackend::CellExists(const ObjectState&, const std::string& cell, const std::string& partitionText) {
    Partition* partition = nullptr;
    if (FAILED(Resolve(partitionText, kPartitionTypeCell, partition))) return false;
    if (FAILED(EnsureLoaded(*partition))) return false;
    return partition->cells.count(cell) != 0;
}

HRESULT FileStoreBackend::CellReplacePins(const ObjectState& state, const StringList& pins, const std::string& cell) {
    CellRecord* record = nullptr;
    RETURN_IF_FAILED(EditCell(state, {}, Or(cell, state.cell), record));
    record->pins = pins;
    return S_OK;
}

HRESULT FileStoreBackend::CellAddPadstack(const ObjectState& state, const std::string& padstack, const std::string& cell,
                                          const char*) {
    if (padstack.empty()) return Fail(KELM_E_BAD_ARGUMENT, "a padstack needs a name");
    CellRecord* record = nullptr;
    RETURN_IF_FAILED(EditCell(state, {}, Or(cell, state.cell), record));
    if (!record->padstackIndex.Contains(record->padstacks, padstack, NameOf<std::string>))
        record->padstacks.push_back(padstack);
    return S_OK;
}

HRESULT FileStoreBackend::CellSetTimestamp(const ObjectState& state, std::int32_t time, const std::string& cell,
                                           const std::string& partitionText) {
    CellRecord* record = nullptr;
    RETURN_IF_FAILED(EditCell(state, partitionText, Or(cell, state.cell), record));
    record->timestamp = time;
    return S_OK;
}

HRESULT FileStoreBackend::CellGetPinNames(const ObjectState& state, StringList& pins, const std::string& cell) {
    Partition* partition = nullptr;
    CellRecord* record = nullptr;
    RETURN_IF_FAILED(LocateCell(state, {}, Or(cell, state.cell), partition, record));
    pins = record->pins;
    return S_OK;
}

HRESULT FileStoreBackend::CellGetPadstackNames(const ObjectState& state, StringList& padstacks, const std::string& cell,
                                               const char*) {
    Partition* partition = nullptr;
    CellRecord* record = nullptr;
    RETURN_IF_FAILED(LocateCell(state, {}, Or(cell, state.cell), partition, record));
    padstacks = record->padstacks;
    return S_OK;
}

HRESULT FileStoreBackend::CellGetType(const ObjectState& state, int& type, const std::string& cell,
                                      const std::string& partitionText) {
    Partition* partition = nullptr;
    CellRecord* record = nullptr;
    RETURN_IF_FAILED(LocateCell(state, partitionText, Or(cell, state.cell), partition, record));
    type = record->type;
    return S_OK;
}

HRESULT FileStoreBackend::CellGetPartNumbers(const ObjectState&, StringList& parts, const std::string& cell) {
    RETURN_IF_FAILED(EnsureCellUseIndex());
    parts.clear();
    const auto it = m_cellUse.find(cell);
    if (it != m_cellUse.end()) parts = it->second;
    return S_OK;
}

HRESULT FileStoreBackend::CellGetPartitionNames(const ObjectState&, StringList& partitions, const std::string& cell) {
    RETURN_IF_FAILED(EnsureCellIndex());
    partitions.clear();
    const auto it = m_cellIndex.find(cell);
    if (it != m_cellIndex.end())
        for (const Partition* partition : it->second) partitions.push_back(partition->id.name);
    return S_OK;
}

HRESULT FileStoreBackend::CellGetCellsInPartition(const ObjectState&, StringList& cells, const std::string& text) {
    Partition* partition = nullptr;
    RETURN_IF_FAILED(Resolve(text, kPartitionTypeCell, partition));
    RETURN_IF_FAILED(EnsureLoaded(*partition));
    cells.clear();
    for (const auto& [name, record] : partition->cells) cells.push_back(name);
    return S_OK;
}

HRESULT FileStoreBackend::CellGetRecord(const ObjectState& state, const std::string& cell, const std::string& partitionText,
                                        CellRecord& out) {
    Partition* partition = nullptr;
    CellRecord* record = nullptr;
    RETURN_IF_FAILED(LocateCell(state, partitionText, cell, partition, record));
    out = *record;
    out.partition = partition->id.name;
    return S_OK;
}

// ---------------------------------------------------------------- symbols
namespace {
// "Partition:Symbol" split at the first colon (a partition name has none).
bool SplitQualified(const std::string& qualified, std::string& partition, std::string& symbol) {
    const std::size_t colon = qualified.find(':');
    if (colon == std::string::npos) return false;
    partition = qualified.substr(0, colon);
    symbol = qualified.substr(colon + 1);
    return true;
}
}  // namespace

HRESULT FileStoreBackend::SymbolGetSymbolsInPartition(const ObjectState&, StringList& symbols, const std::string& text) {
    Partition* partition = nullptr;
    RETURN_IF_FAILED(Resolve(text, kPartitionTypeSymbol, partition));
    RETURN_IF_FAILED(EnsureLoaded(*partition));
    symbols.clear();
    for (const auto& [name, pins] : partition->symbols) symbols.push_back(partition->id.name + ":" + name);
    return S_OK;
}

HRESULT FileStoreBackend::SymbolGetPinNames(const ObjectState&, StringList& pins, const std::string& qualified) {
    RETURN_IF_FAILED(RequireLoaded());
    std::string partitionName, symbol;
    if (!SplitQualified(qualified, partitionName, symbol))
        return Fail(KELM_E_BAD_ARGUMENT, "\"" + qualified + "\" is not a Partition:Symbol name");
    Partition* partition = nullptr;
    RETURN_IF_FAILED(Resolve(partitionName, kPartitionTypeSymbol, partition));
    RETURN_IF_FAILED(EnsureLoaded(*partition));
    if (!partition->symbols.count(symbol)) return Fail(KELM_E_NO_SUCH_ITEM, "no symbol " + qualified);
    RETURN_IF_FAILED(LoadSymbolPins(*partition, symbol));
    pins = partition->symbols[symbol];
    return S_OK;
}

HRESULT FileStoreBackend::SymbolGetPartitionNames(const ObjectState&, StringList& partitions, const std::string& qualified) {
    RETURN_IF_FAILED(RequireLoaded());
    partitions.clear();
    std::string partitionName, symbol;
    if (!SplitQualified(qualified, partitionName, symbol)) return S_OK;
    Partition* partition = Find(kPartitionTypeSymbol, partitionName);
    if (!partition) return S_OK;  // no such partition holds nothing
    RETURN_IF_FAILED(EnsureLoaded(*partition));
    if (partition->symbols.count(symbol)) partitions.push_back(partition->id.name);
    return S_OK;
}

}  // namespace kelm::store

// Part types, cells and symbols of the file-backed store. Part numbers are
// unique in the whole library; a cell name may exist in several cell
// partitions (with the same pins); symbols are the symbol files of a
// symbol partition. Every edit needs the working user to hold the
// partition it changes.
#include <algorithm>

#include "platform/AtomicFile.h"
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
// A partition that is not read answers library-wide questions from its
// index, so that a lookup reads no partition file. The index is checked
// against the data file on first use and after every save or reload; a
// partition changed by another session meanwhile is seen then.
HRESULT FileStoreBackend::IndexOf(Partition& partition, const PartitionIndex*& index) {
    if (!partition.indexChecked || !partition.index) {
        std::string error;
        const HRESULT current = m_index.Current(partition.id, DataFile(partition.id), partition.index, error);
        if (FAILED(current)) return Fail(current, error);
        partition.indexChecked = true;
    }
    index = partition.index.get();
    return S_OK;
}

// A partition answers from its records when they differ from what its index
// describes: edited, or read from another file than the index was made of.
bool FileStoreBackend::FromRecords(const Partition& partition) {
    return partition.loaded && (partition.dirty || !partition.index || !(partition.index->Stamp() == partition.stamp));
}

void FileStoreBackend::RecheckIndexes() {
    for (auto& [key, partition] : m_partitions) partition->indexChecked = false;
    m_lastPartHolder = nullptr;
    m_wideChecked = false;
}

// The library-wide index, checked against the data files (one stamp each)
// when the library is opened and again after every save or reload.
// Partitions whose data file changed since it was merged, or that are new,
// answer from their own index; when there are many of them, or the file is
// missing or damaged, the next lookup merges it again from the partitions'
// indexes and writes it back (its answers depend only on those stamps, so
// no lock is needed to write it).
void FileStoreBackend::CheckWideIndex() {
    if (m_wideChecked) return;
    m_wideChecked = true;
    m_wideMerge = false;
    ForgetWideAnswer();
    for (auto& [key, partition] : m_partitions) partition->wide = -1;
    SourcesChanged();
    // The file open already is kept while it is the one in the folder
    // (its stamp taken before it was opened).
    const std::string file = m_index.WideFile();
    const platform::FileStamp stamp = platform::StampOf(file);
    if (m_wide.Partitions() == 0 || !(stamp == m_wideStamp)) {
        if (!m_wide.Open(file)) {
            m_wideMerge = true;
            return;
        }
        m_wideStamp = stamp;
    }
    for (std::size_t i = 0; i < m_wide.Partitions(); ++i) {
        const PartitionId& id = m_wide.Id(i);
        Partition* partition = Find(id.type, id.name);
        if (!partition || partition->wide >= 0 || !(platform::StampOf(DataFile(partition->id)) == m_wide.Stamp(i))) continue;
        partition->wide = static_cast<std::int64_t>(i);
    }
    DecideWideMerge();
}

// A merge reads every partition's index and rewrites the whole file; a
// partition answered from its own index costs, in every new session, one
// read of that index into memory. The session that leaves many of them
// merges, so that the sessions after it need not.
void FileStoreBackend::DecideWideMerge() {
    const auto stale = static_cast<std::size_t>(std::count_if(
        m_partitions.begin(), m_partitions.end(), [](const auto& entry) { return entry.second->wide < 0; }));
    m_wideMerge = stale > 4 && stale > m_partitions.size() / 16;
}

void FileStoreBackend::MergeWideIndex() {
    std::vector<LibraryWideIndex::Source> sources;
    std::vector<Partition*> merged;
    for (const PartitionId& id : m_config.partitions) {
        Partition* partition = Find(id.type, id.name);
        std::string error;
        if (!partition || FAILED(m_index.Current(partition->id, DataFile(partition->id), partition->index, error))) continue;
        partition->indexChecked = true;
        sources.push_back({partition->id, partition->index.get()});
        merged.push_back(partition);
    }
    m_wide.Close();
    ForgetWideAnswer();
    for (auto& [key, partition] : m_partitions) partition->wide = -1;
    SourcesChanged();
    std::string bytes = LibraryWideIndex::Build(sources), error;
    const std::string file = m_index.WideFile();
    if (!platform::MakeFolders(file.substr(0, file.find_last_of('\\'))) ||
        platform::WriteFileAtomic(file, bytes, error, platform::Flush::No) != platform::FileResult::Ok)
        return;  // answered from the partitions' own indexes
    m_wideStamp = platform::StampOf(file);
    if (!m_wide.Open(file)) return;
    // Another session may have merged it again meanwhile: each partition is
    // taken as the file read now has it.
    if (m_wide.Partitions() != merged.size()) return;
    for (std::size_t i = 0; i < merged.size(); ++i)
        if (m_wide.Id(i).type == merged[i]->id.type && m_wide.Id(i).name == merged[i]->id.name &&
            m_wide.Stamp(i) == merged[i]->index->Stamp())
            merged[i]->wide = static_cast<std::int64_t>(i);
}

// The library-wide index's answer for the name, kept until the next
// question about another name (a question asked of every partition of a
// scheme reads the index once); empty when no partition is answered from
// it. A failed check merges it again, once.
HRESULT FileStoreBackend::WideLookup(int kind, const std::string& name, const LibraryWideIndex::Answer*& answer) {
    static const LibraryWideIndex::Answer none;
    answer = &none;
    CheckWideIndex();
    if (m_wideMerge) {
        m_wideMerge = false;
        MergeWideIndex();
    }
    if (m_wide.Partitions() == 0) return S_OK;  // none: every partition answers from its own index
    answer = &m_wideAnswer;
    if (m_wideAnswerKind == kind && m_wideAnswerName == name) return S_OK;
    m_wideAnswerKind = kind;
    m_wideAnswerName = name;
    for (int attempt = 0; attempt < 2; ++attempt) {
        switch (m_wide.Lookup(kind, name, m_wideAnswer)) {
        case LibraryWideIndex::Found::Yes:
        case LibraryWideIndex::Found::No: return S_OK;
        case LibraryWideIndex::Found::Damaged:
            if (attempt == 0) MergeWideIndex();
            break;
        }
    }
    m_wide.Close();
    for (auto& [key, partition] : m_partitions) partition->wide = -1;
    SourcesChanged();
    ForgetWideAnswer();
    answer = &none;
    return S_OK;
}

void FileStoreBackend::ForgetWideAnswer() {
    m_wideAnswer = {};
    m_wideAnswerKind = -1;
    m_wideAnswerName.clear();
}

void FileStoreBackend::KnowSources() {
    if (m_sourcesKnown) return;
    m_wideOwner.assign(m_wide.Partitions(), nullptr);
    m_offWide.clear();
    for (const auto& [type, partitions] : m_byType) {
        std::vector<Partition*>& off = m_offWide[type];
        for (Partition* partition : partitions) {
            if (partition->wide >= 0 && static_cast<std::size_t>(partition->wide) < m_wideOwner.size())
                m_wideOwner[static_cast<std::size_t>(partition->wide)] = partition;
            if (partition->wide < 0 || partition->loaded) off.push_back(partition);
        }
    }
    m_sourcesKnown = true;
}

HRESULT FileStoreBackend::HoldersOf(int type, const LibraryWideIndex::Answer& wide, bool firstOnly,
                                    const std::function<HRESULT(Partition&, bool&)>& holds,
                                    std::vector<Partition*>& holders) {
    KnowSources();
    const auto inOrder = [](const Partition* a, const Partition* b) { return a->order < b->order; };
    holders.clear();
    for (const LibraryWideIndex::Holder& holder : wide.holders) {
        Partition* partition = holder.partition < m_wideOwner.size() ? m_wideOwner[holder.partition] : nullptr;
        if (partition && partition->id.type == type && !partition->loaded) holders.push_back(partition);
    }
    std::sort(holders.begin(), holders.end(), inOrder);
    if (firstOnly && holders.size() > 1) holders.erase(holders.begin() + 1, holders.end());
    // The others are asked in order, up to the first holder when one is enough.
    std::size_t last = firstOnly && !holders.empty() ? holders.front()->order : static_cast<std::size_t>(-1);
    const std::size_t fromWide = holders.size();
    for (Partition* partition : m_offWide[type]) {
        if (partition->order > last) break;
        bool found = false;
        RETURN_IF_FAILED(holds(*partition, found));
        if (!found) continue;
        holders.push_back(partition);
        if (firstOnly) break;
    }
    std::inplace_merge(holders.begin(), holders.begin() + static_cast<std::ptrdiff_t>(fromWide), holders.end(), inOrder);
    if (firstOnly && holders.size() > 1) holders.erase(holders.begin() + 1, holders.end());
    return S_OK;
}

// The partition holding the part number (null when none does), first in
// configuration order.
HRESULT FileStoreBackend::LocatePart(const std::string& number, Partition*& holder) {
    holder = nullptr;
    RETURN_IF_FAILED(RequireLoaded());
    const LibraryWideIndex::Answer* wide = nullptr;
    RETURN_IF_FAILED(WideLookup(kPartitionTypePart, number, wide));
    const std::uint64_t hash = PartitionIndex::Hash(number);
    std::vector<Partition*> holders;
    const HRESULT found = HoldersOf(kPartitionTypePart, *wide, true, [&](Partition& partition, bool& holds) -> HRESULT {
        if (FromRecords(partition)) {
            holds = partition.parts.Contains(number);
        } else if (partition.wide >= 0) {
            holds = wide->In(static_cast<std::uint32_t>(partition.wide)) != nullptr;
        } else {
            const PartitionIndex* index = nullptr;
            RETURN_IF_FAILED(IndexOf(partition, index));
            holds = index->Find(number, hash) != PartitionIndex::npos;
        }
        return S_OK;
    }, holders);
    RETURN_IF_FAILED(found);
    if (!holders.empty()) holder = holders.front();
    return S_OK;
}

// The cell partitions holding the cell, in configuration order.
HRESULT FileStoreBackend::CellHolders(const std::string& cell, std::vector<Partition*>& holders, bool firstOnly) {
    holders.clear();
    RETURN_IF_FAILED(RequireLoaded());
    const LibraryWideIndex::Answer* wide = nullptr;
    RETURN_IF_FAILED(WideLookup(kPartitionTypeCell, cell, wide));
    const std::uint64_t hash = PartitionIndex::Hash(cell);
    return HoldersOf(kPartitionTypeCell, *wide, firstOnly, [&](Partition& partition, bool& holds) -> HRESULT {
        if (FromRecords(partition)) {
            holds = partition.cells.count(cell) != 0;
        } else if (partition.wide >= 0) {
            holds = wide->In(static_cast<std::uint32_t>(partition.wide)) != nullptr;
        } else {
            const PartitionIndex* index = nullptr;
            RETURN_IF_FAILED(IndexOf(partition, index));
            holds = index->Find(cell, hash) != PartitionIndex::npos;
        }
        return S_OK;
    }, holders);
}

// ---------------------------------------------------------------- part types
// The index may be older than a partition file that another session has
// rewritten since: reading the partition then shows it, and the lookup is
// made once more with every index checked again.
HRESULT FileStoreBackend::FindPart(const std::string& number, Partition*& partition, PartRecord*& part) {
    const auto damaged = [&](const Partition& holder) {
        return Fail(KELM_E_CORRUPT, DataFile(holder.id) + ": the line of part type \"" + number + "\" cannot be read");
    };
    // An import sets a dozen properties of the part type it has just added:
    // the partition found last answers without asking every other one.
    if (m_lastPartHolder && m_lastPartHolder->loaded && number == m_lastPart) {
        const PartTable::Found found = m_lastPartHolder->parts.Record(number, part);
        if (found == PartTable::Found::Damaged) return damaged(*m_lastPartHolder);
        if (found == PartTable::Found::Yes) {
            partition = m_lastPartHolder;
            return S_OK;
        }
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        RETURN_IF_FAILED(LocatePart(number, partition));
        if (!partition) break;
        RETURN_IF_FAILED(EnsureLoaded(*partition));
        const PartTable::Found found = partition->parts.Record(number, part);
        if (found == PartTable::Found::Damaged) return damaged(*partition);
        if (found == PartTable::Found::Yes) {
            m_lastPart = number;
            m_lastPartHolder = partition;
            return S_OK;
        }
        RecheckIndexes();
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
                                  const std::string& number, const char* /*reservedText*/, int /*reservedMode*/,
                                  int /*reservedFlags*/) {
    Partition* partition = nullptr;
    RETURN_IF_FAILED(Resolve(Or(partitionText, state.partition), kPartitionTypePart, partition));
    if (number.empty()) return Fail(KELM_E_BAD_ARGUMENT, "a part type needs a number");
    if (const char* reason = UnstorableNameReason(number, NameUse::Text))
        return Fail(KELM_E_UNSAFE_PATH, "part number \"" + number + "\" refused: " + reason);
    RETURN_IF_FAILED(CheckHolder(state, *partition));
    RETURN_IF_FAILED(EnsureLoaded(*partition));
    Partition* holder = nullptr;
    RETURN_IF_FAILED(LocatePart(number, holder));
    if (holder) return Fail(kItemExistsOrMissing, "part type \"" + number + "\" exists in partition " + holder->id.name);
    PartRecord part;
    part.number = number;
    part.partition = partition->id.name;
    part.pins = pins;
    partition->parts.Add(std::move(part));
    partition->changedParts.insert(number);
    partition->dirty = true;
    m_lastPart = number;
    m_lastPartHolder = partition;
    // The number was found in no partition, each as this session sees it
    // now. A partition answered from the library-wide index alone is seen
    // the same way until the sources change: it is recorded once for them.
    const auto record = [&](Partition& other) {
        const platform::FileStamp seen = FromRecords(other) ? other.stamp
                                         : other.wide >= 0 ? m_wide.Stamp(static_cast<std::size_t>(other.wide))
                                         : other.index     ? other.index->Stamp()
                                                           : platform::FileStamp{};
        if (other.addCheck == Partition::AddCheck::None) {
            other.addCheck = Partition::AddCheck::At;
            other.addsCheckedAt = seen;
        } else if (other.addCheck == Partition::AddCheck::At && !(other.addsCheckedAt == seen)) {
            other.addCheck = Partition::AddCheck::Mixed;
        }
    };
    KnowSources();
    for (Partition* other : m_offWide[kPartitionTypePart]) record(*other);
    if (m_addsRecordedAt != m_sourcesGeneration) {
        for (Partition* other : m_byType[kPartitionTypePart])
            if (other->wide >= 0 && !other->loaded) record(*other);
        m_addsRecordedAt = m_sourcesGeneration;
    }
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
    partition->parts.Erase(number);
    partition->changedParts.insert(number);
    partition->dirty = true;
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

// The part type is found, and its holder checked, once for all seven.
PartPropertyStatuses FileStoreBackend::PartSetProperties(const ObjectState& state, const PartProperties& properties,
                                                         const std::string& number) {
    PartRecord* part = nullptr;
    const HRESULT edit = EditPart(state, number, part);
    if (SUCCEEDED(edit)) {
        part->name = properties.name;
        part->nameDefault = properties.nameDefault;
        part->label = properties.label;
        part->labelDefault = properties.labelDefault;
        part->description = properties.description;
        part->timestamp = properties.timestamp;
        part->type = properties.type;
    }
    const HRESULT status = FAILED(edit) ? edit : S_OK;
    return {status, status, status, status, status, status, status};
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
    parts.reserve(partition->parts.Size());
    partition->parts.ForEach([&](const std::string& number, const StringList&) { parts.push_back(number); });
    return S_OK;
}

HRESULT FileStoreBackend::PartGetPartition(const ObjectState&, std::string& name, const std::string& number) {
    Partition* holder = nullptr;
    RETURN_IF_FAILED(LocatePart(number, holder));
    name = holder ? holder->id.name : std::string();
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
    for (int attempt = 0; attempt < 2 && !record; ++attempt) {
        std::vector<Partition*> holders;
        RETURN_IF_FAILED(CellHolders(cell, holders, true));
        if (holders.empty()) break;
        partition = holders.front();
        RETURN_IF_FAILED(EnsureLoaded(*partition));
        const auto it = partition->cells.find(cell);
        if (it != partition->cells.end()) record = &it->second;
        else RecheckIndexes();  // the file changed since its index was checked
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
    std::vector<Partition*> holders;
    RETURN_IF_FAILED(CellHolders(cell, holders, false));
    for (Partition* other : holders) {
        StringList existing;
        RETURN_IF_FAILED(CellPinsIn(*other, cell, existing));
        if (SortedCopy(std::move(existing)) != sorted)
            return Fail(kAlreadyReferenced, "cell \"" + cell + "\" has other pins in partition " + other->id.name);
    }
    CellRecord record;
    record.name = cell;
    record.partition = partition->id.name;
    record.pins = pins;
    record.type = type;
    record.timestamp = time;
    partition->cells.emplace(cell, std::move(record));
    partition->addedCells.insert(cell);
    partition->dirty = true;
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
    partition->addedCells.erase(cell);
    partition->dirty = true;
    return S_OK;
}

bool FileStoreBackend::CellExists(const ObjectState&, const std::string& cell, const std::string& partitionText) {
    Partition* partition = nullptr;
    if (FAILED(Resolve(partitionText, kPartitionTypeCell, partition))) return false;
    if (FromRecords(*partition)) return partition->cells.count(cell) != 0;
    const LibraryWideIndex::Answer* wide = nullptr;
    if (FAILED(WideLookup(kPartitionTypeCell, cell, wide))) return false;
    if (partition->wide >= 0) return wide->In(static_cast<std::uint32_t>(partition->wide)) != nullptr;
    const PartitionIndex* index = nullptr;
    return SUCCEEDED(IndexOf(*partition, index)) && index->Find(cell) != PartitionIndex::npos;
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

// A cell's pins, from the partition's index while it is not read.
HRESULT FileStoreBackend::CellPinsIn(Partition& partition, const std::string& cell, StringList& pins) {
    if (FromRecords(partition)) {
        const auto it = partition.cells.find(cell);
        if (it == partition.cells.end()) return Fail(KELM_E_NO_SUCH_ITEM, "no cell \"" + cell + "\" in partition " + partition.id.name);
        pins = it->second.pins;
        return S_OK;
    }
    const LibraryWideIndex::Answer* wide = nullptr;
    RETURN_IF_FAILED(WideLookup(kPartitionTypeCell, cell, wide));
    if (partition.wide >= 0) {
        const LibraryWideIndex::Holder* holder = wide->In(static_cast<std::uint32_t>(partition.wide));
        if (!holder) return Fail(KELM_E_NO_SUCH_ITEM, "no cell \"" + cell + "\" in partition " + partition.id.name);
        pins = holder->list;
        return S_OK;
    }
    const PartitionIndex* index = nullptr;
    RETURN_IF_FAILED(IndexOf(partition, index));
    const std::size_t entry = index->Find(cell);
    if (entry == PartitionIndex::npos) return Fail(KELM_E_NO_SUCH_ITEM, "no cell \"" + cell + "\" in partition " + partition.id.name);
    pins = index->List(entry);
    return S_OK;
}

HRESULT FileStoreBackend::CellGetPinNames(const ObjectState& state, StringList& pins, const std::string& cell) {
    const std::string& name = Or(cell, state.cell);
    if (!state.partition) {
        std::vector<Partition*> holders;
        RETURN_IF_FAILED(CellHolders(name, holders, true));
        if (holders.empty()) return Fail(KELM_E_NO_SUCH_ITEM, "no cell \"" + name + "\"");
        return CellPinsIn(*holders.front(), name, pins);
    }
    Partition* partition = nullptr;
    CellRecord* record = nullptr;
    RETURN_IF_FAILED(LocateCell(state, {}, name, partition, record));
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
    RETURN_IF_FAILED(RequireLoaded());
    parts.clear();
    const LibraryWideIndex::Answer* wide = nullptr;
    RETURN_IF_FAILED(WideLookup(kPartitionTypeCell, cell, wide));
    for (Partition* partition : m_byType[kPartitionTypePart]) {
        if (FromRecords(*partition)) {
            partition->parts.ForEach([&](const std::string& number, const StringList& cells) {
                if (std::find(cells.begin(), cells.end(), cell) != cells.end()) parts.push_back(number);
            });
            continue;
        }
        if (partition->wide >= 0) {
            for (const LibraryWideIndex::User& user : wide->users)
                if (user.partition == partition->wide) parts.push_back(user.number);
            continue;
        }
        const PartitionIndex* index = nullptr;
        RETURN_IF_FAILED(IndexOf(*partition, index));
        index->AppendUsers(cell, parts);
    }
    std::sort(parts.begin(), parts.end());
    return S_OK;
}

HRESULT FileStoreBackend::CellGetPartitionNames(const ObjectState&, StringList& partitions, const std::string& cell) {
    std::vector<Partition*> holders;
    RETURN_IF_FAILED(CellHolders(cell, holders, false));
    partitions.clear();
    for (const Partition* partition : holders) partitions.push_back(partition->id.name);
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
    bool holds = false;
    const LibraryWideIndex::Answer* wide = nullptr;
    if (!partition->loaded) RETURN_IF_FAILED(WideLookup(kPartitionTypeSymbol, symbol, wide));
    if (partition->loaded) {
        holds = partition->symbols.count(symbol) != 0;
    } else if (partition->wide >= 0) {
        holds = wide->In(static_cast<std::uint32_t>(partition->wide)) != nullptr;
    } else {
        const PartitionIndex* index = nullptr;
        RETURN_IF_FAILED(IndexOf(*partition, index));
        holds = index->Find(symbol) != PartitionIndex::npos;
    }
    if (holds) partitions.push_back(partition->id.name);
    return S_OK;
}

HRESULT FileStoreBackend::SymbolGetHolders(const ObjectState&, StringList& partitions, const std::string& symbol) {
    RETURN_IF_FAILED(RequireLoaded());
    partitions.clear();
    const LibraryWideIndex::Answer* wide = nullptr;
    RETURN_IF_FAILED(WideLookup(kPartitionTypeSymbol, symbol, wide));
    std::vector<Partition*> holders;
    const HRESULT found = HoldersOf(kPartitionTypeSymbol, *wide, false, [&](Partition& partition, bool& holds) -> HRESULT {
        if (partition.loaded) {
            holds = partition.symbols.count(symbol) != 0;
        } else if (partition.wide >= 0) {
            holds = wide->In(static_cast<std::uint32_t>(partition.wide)) != nullptr;
        } else {
            const PartitionIndex* index = nullptr;
            holds = SUCCEEDED(IndexOf(partition, index)) && index->Find(symbol) != PartitionIndex::npos;
        }
        return S_OK;
    }, holders);
    RETURN_IF_FAILED(found);
    for (const Partition* partition : holders) partitions.push_back(partition->id.name);
    return S_OK;
}

}  // namespace kelm::store

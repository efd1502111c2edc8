// The file-backed store session: loading, partitions read on first use,
// reservations, and saving under the library lock.
#include "store/file/FileStore.h"

#include <algorithm>
#include <atomic>
#include <ctime>

#include "platform/AtomicFile.h"
#include "platform/Machine.h"
#include "store/file/FileStoreBackend.h"
#include "store/format/JsonLines.h"
#include "store/file/Leftovers.h"
#include "store/format/LibraryFiles.h"
#include "store/file/LibraryLock.h"
#include "store/file/StoreLog.h"
#include "store/file/ReservationFile.h"
#include "util/AutoTypes.h"

namespace kelm::store {

std::shared_ptr<StoreBackend> CreateFileStoreBackend() { return std::make_shared<FileStoreBackend>(); }

namespace {
// A stamp for the folder holding deleted partitions: UTC time, process and
// a count, so that two saves in the same second never meet.
std::string DeletionStamp() {
    static std::atomic<unsigned> count{0};
    const std::time_t now = std::time(nullptr);
    char text[32] = {};
    if (const std::tm* utc = std::gmtime(&now)) std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", utc);
    return std::string(text) + "-" + std::to_string(platform::CurrentProcessId()) + "-" + std::to_string(++count);
}
}  // namespace

// ---------------------------------------------------------------- session
HRESULT FileStoreBackend::Fail(HRESULT status, std::string text, const std::string& library) {
    m_lastError = std::move(text);
    if (status == KELM_E_IO || status == KELM_E_CORRUPT)
        WriteStoreLog(library.empty() ? m_file : library, LogLevel::Error, m_lastError);
    return status;
}

HRESULT FileStoreBackend::TakeLock(LibraryLock& lock) {
    std::string error;
    const HRESULT locked = lock.Acquire(LockFile(), error);
    if (FAILED(locked)) return Fail(locked, error);
    // Leftovers come from a session that died in the library: its lock
    // stayed, and was taken over now. Without one there is nothing to look for.
    if (lock.TookOver()) RemoveLeftovers(m_file);
    const platform::FileStamp mark = platform::StampOf(LibraryLock::ReleaseMarkOf(LockFile()));
    if (lock.TookOver() || !mark.exists || !(mark == m_lockMark)) m_othersLocked = true;
    return S_OK;
}

void FileStoreBackend::LetGo(LibraryLock& lock) {
    lock.Release();
    m_lockMark = lock.LeftMark();
}

HRESULT FileStoreBackend::RequireLoaded() {
    return m_loaded ? S_OK : Fail(KELM_E_NOT_LOADED, "no library is loaded");
}

HRESULT FileStoreBackend::RequireWritable() {
    RETURN_IF_FAILED(RequireLoaded());
    return m_readOnly ? Fail(KELM_E_READ_ONLY, "the library " + m_file + " is open read-only") : S_OK;
}

HRESULT FileStoreBackend::Init() { return S_OK; }

void FileStoreBackend::Reset() {
    m_loaded = false;
    m_readOnly = true;
    m_file.clear();
    m_folder.clear();
    m_stem.clear();
    m_config = LibraryConfig{};
    m_view = 0;
    SourcesChanged();
    m_configStamp = {};
    m_edits.clear();
    m_deleted.clear();
    m_partitions.clear();
    m_byType.clear();
    m_lastPartHolder = nullptr;
    m_reservations.clear();
    m_reservationStamp = {};
    m_reservationJournalStamp = {};
    m_reservationsRead = false;
    m_wide.Close();
    m_wideChecked = false;
    m_wideMerge = false;
}

void FileStoreBackend::Close() { Reset(); }

HRESULT FileStoreBackend::Load(const char* file, int mode) {
    if (!file) {
        // Reload: read everything again, dropping unsaved edits; the mode stays.
        RETURN_IF_FAILED(RequireLoaded());
        return ReadLibrary(m_file, m_readOnly);
    }
    if (mode != 0 && mode != 1) return Fail(KELM_E_BAD_ARGUMENT, "mode must be 0 (read-write) or 1 (read-only)");
    if (!*file) return Fail(KELM_E_BAD_ARGUMENT, "no library file given");
    return ReadLibrary(file, mode == 1);
}

HRESULT FileStoreBackend::ReadLibrary(std::string file, bool readOnly) {  // a copy: Reset() clears m_file
    // Taken before anything is read: a holder that lets the lock go later
    // changes it.
    const platform::FileStamp mark = platform::StampOf(LibraryLock::ReleaseMarkOf(LibraryLockFile(file)));
    const platform::FileStamp stamp = platform::StampOf(file);
    std::string text, error;
    const platform::FileResult read = platform::ReadWholeFile(file, text, error);
    if (read != platform::FileResult::Ok) return Fail(KELM_E_IO, error, file);
    LibraryConfig config;
    if (!ParseLibraryConfig(text, file, config, error)) return Fail(KELM_E_CORRUPT, error, file);
    // A reload keeps the partitions' memory until each is read again, so
    // that dropping a large library does not make the reload itself slow.
    std::map<std::string, std::unique_ptr<Partition>> kept;
    if (m_loaded && file == m_file) kept = std::move(m_partitions);
    Reset();
    for (auto& [key, partition] : kept) {
        partition->loaded = false;
        partition->dirty = false;
        partition->indexChecked = false;
        partition->addCheck = Partition::AddCheck::None;
        partition->verifiedUntil = {};
        partition->symbols.clear();
        partition->symbolPinsRead.clear();
    }
    m_partitions = std::move(kept);
    m_loaded = true;
    m_readOnly = readOnly;
    m_file = file;
    m_folder = LibraryFolderOf(file);
    m_stem = LibraryStemOf(file);
    m_index.Open(LibraryIndexFolder(file));
    m_config = std::move(config);
    m_configStamp = stamp;
    m_lockMark = mark;
    m_othersLocked = false;
    SyncPartitionsWithConfig();
    m_wideChecked = false;
    CheckWideIndex();
    return S_OK;
}

// ---------------------------------------------------------------- partitions
std::string FileStoreBackend::Key(int type, const std::string& name) {
    return std::to_string(type) + ":" + LowerAscii(name);
}

FileStoreBackend::Partition* FileStoreBackend::Find(int type, const std::string& name) {
    const auto it = m_partitions.find(Key(type, name));
    return it == m_partitions.end() ? nullptr : it->second.get();
}

HRESULT FileStoreBackend::Resolve(const std::string& text, int typeOfBareName, Partition*& partition) {
    partition = nullptr;
    RETURN_IF_FAILED(RequireLoaded());
    PartitionId id;
    const HRESULT parsed = ParsePartitionName(text, typeOfBareName, id);
    if (parsed == KELM_E_UNSAFE_PATH) return Fail(parsed, "partition name \"" + text + "\" leaves the library folder");
    if (FAILED(parsed)) return Fail(parsed, "no partition \"" + text + "\"");
    partition = Find(id.type, id.name);
    if (!partition) return Fail(KELM_E_NO_SUCH_PARTITION, "no partition " + RelativePartitionPath(id.type, id.name));
    return S_OK;
}

std::string FileStoreBackend::DataFile(const PartitionId& id) const {
    switch (id.type) {
    case kPartitionTypePart: return LibraryPath("PartsDBLibs\\" + id.name + ".pdb");
    case kPartitionTypeCell: return LibraryPath("CellDBLibs\\" + id.name + kCellCatalogExtension);
    default: return LibraryPath("SymbolLibs\\" + id.name + "\\sym");
    }
}

std::string FileStoreBackend::PartitionContainer(const PartitionId& id) const {
    return LibraryPath(RelativePartitionPath(id.type, id.name));
}

HRESULT FileStoreBackend::EnsureLoaded(Partition& partition) {
    if (partition.loaded) return S_OK;
    const std::string file = DataFile(partition.id);
    if (partition.id.type == kPartitionTypeSymbol) {
        std::vector<std::string> names;
        partition.symbols.clear();
        partition.symbolPinsRead.clear();
        partition.stamp = platform::StampOf(file);
        if (platform::ListFiles(file, names)) {
            for (const std::string& name : names) {
                const std::size_t length = name.size();
                const std::size_t extension = std::char_traits<char>::length(kSymbolFileExtension);
                if (length > extension && name.compare(length - extension, extension, kSymbolFileExtension) == 0)
                    partition.symbols.emplace(name.substr(0, length - extension), StringList{});
            }
        }
        partition.loaded = true;
        SourcesChanged();
        return S_OK;
    }
    const platform::FileStamp stamp = platform::StampOf(file);
    std::string text, error;
    partition.journal = JournalState{};
    const platform::FileResult read = partition.id.type == kPartitionTypePart
                                          ? ReadPartFile(file, text, error, &partition.journal)
                                          : platform::ReadWholeFile(file, text, error);
    bool ok = true;
    partition.changedParts.clear();
    partition.journaled.clear();
    if (read == platform::FileResult::NotFound) {
        partition.parts.Clear();
        partition.cells.clear();
    } else if (read != platform::FileResult::Ok) {
        return Fail(KELM_E_IO, error);
    } else if (partition.id.type == kPartitionTypePart) {
        ok = partition.parts.Read(std::move(text), file, partition.id.name, error);
    } else {
        ok = ParseCellCatalog(text, file, partition.id.name, partition.cells, error);
    }
    if (!ok) {
        partition.parts.Clear();
        partition.cells.clear();
        return Fail(KELM_E_CORRUPT, error);
    }
    partition.stamp = read == platform::FileResult::NotFound ? platform::FileStamp{} : stamp;
    partition.loaded = true;
    partition.addedCells.clear();
    SourcesChanged();
    return S_OK;
}

HRESULT FileStoreBackend::LoadSymbolPins(Partition& partition, const std::string& symbol) {
    if (partition.symbolPinsRead.count(symbol)) return S_OK;
    const std::string file = DataFile(partition.id) + "\\" + symbol + kSymbolFileExtension;
    std::string text, error, name;
    StringList pins;
    if (platform::ReadWholeFile(file, text, error) != platform::FileResult::Ok) return Fail(KELM_E_IO, error);
    if (!ParseSymbolFile(text, file, name, pins, error)) return Fail(KELM_E_CORRUPT, error);
    if (name != symbol) return Fail(KELM_E_CORRUPT, file + ", line 2: the symbol is named \"" + name + "\", not \"" + symbol + "\"");
    partition.symbols[symbol] = std::move(pins);
    partition.symbolPinsRead.insert(symbol);
    return S_OK;
}

// Partitions that stay keep what was read of them and their indexes: adding
// or removing a partition costs only that partition.
void FileStoreBackend::ViewChanged() {
    static std::atomic<std::uint64_t> views{0};
    m_view = ++views;
}

void FileStoreBackend::SyncPartitionsWithConfig() {
    ViewChanged();
    SourcesChanged();
    std::map<std::string, std::unique_ptr<Partition>> next;
    m_byType.clear();
    m_lastPartHolder = nullptr;
    for (const PartitionId& id : m_config.partitions) {
        const std::string key = Key(id.type, id.name);
        auto it = m_partitions.find(key);
        if (it != m_partitions.end()) {
            it->second->id = id;
            it = next.emplace(key, std::move(it->second)).first;
        } else {
            auto partition = std::make_unique<Partition>();
            partition->id = id;
            it = next.emplace(key, std::move(partition)).first;
        }
        it->second->order = m_byType[id.type].size();
        m_byType[id.type].push_back(it->second.get());
    }
    m_partitions = std::move(next);
}

// Drops what was read of the partition (and this session's edits to it).
void FileStoreBackend::Unload(Partition& partition) {
    if (m_lastPartHolder == &partition) m_lastPartHolder = nullptr;
    partition.loaded = false;
    partition.dirty = false;
    partition.indexChecked = false;
    partition.addCheck = Partition::AddCheck::None;
    SourcesChanged();
    partition.parts.Clear();
    partition.changedParts.clear();
    partition.journaled.clear();
    partition.journal = JournalState{};
    partition.cells.clear();
    partition.addedCells.clear();
    partition.symbols.clear();
    partition.symbolPinsRead.clear();
}

HRESULT FileStoreBackend::RefreshPartition(const ObjectState& state, const std::string& text) {
    Partition* partition = nullptr;
    RETURN_IF_FAILED(Resolve(text, state.partitionType, partition));
    Unload(*partition);
    return EnsureLoaded(*partition);
}

// ---------------------------------------------------------------- reservations
HRESULT FileStoreBackend::ReadReservations(ReservationState& state) {
    std::string error;
    const HRESULT loaded = LoadReservations(ReservationFile(), state, error);
    return FAILED(loaded) ? Fail(loaded, error) : S_OK;
}

// Both stamps are taken before the files are read: a change made while
// they are read is read again next time.
HRESULT FileStoreBackend::CurrentReservations() {
    const platform::FileStamp stamp = platform::StampOf(ReservationFile());
    const platform::FileStamp journalStamp = platform::StampOf(ReservationJournalOf(ReservationFile()));
    if (m_reservationsRead && stamp == m_reservationStamp && journalStamp == m_reservationJournalStamp) return S_OK;
    ReservationState state;
    RETURN_IF_FAILED(ReadReservations(state));
    m_reservations = std::move(state.reservations);
    m_reservationStamp = stamp;
    m_reservationJournalStamp = journalStamp;
    m_reservationsRead = true;
    return S_OK;
}

HRESULT FileStoreBackend::CheckHolder(const ObjectState& state, Partition& partition) {
    RETURN_IF_FAILED(RequireWritable());
    const auto now = std::chrono::steady_clock::now();
    if (now < partition.verifiedUntil && !state.workingUser.empty() && partition.verifiedHolder == state.workingUser) {
        partition.editor = state.workingUser;
        return S_OK;
    }
    RETURN_IF_FAILED(CurrentReservations());
    const std::string path = RelativePartitionPath(partition.id.type, partition.id.name);
    const int index = FindReservation(m_reservations, path);
    if (index < 0) return Fail(KELM_E_NOT_RESERVED, "partition " + path + " is not reserved");
    const std::string& holder = m_reservations[static_cast<std::size_t>(index)].holder;
    if (state.workingUser.empty() || !EqualNoCase(holder, state.workingUser))
        return Fail(KELM_E_RESERVED_BY_OTHER, "partition " + path + " is reserved by " + holder);
    partition.editor = state.workingUser;
    partition.verifiedHolder = state.workingUser;
    partition.verifiedUntil = now + std::chrono::milliseconds(100);
    return S_OK;
}

HRESULT FileStoreBackend::ChangeReservation(const ObjectState& state, const std::string& text, const std::string& user,
                                            bool reserve) {
    Partition* partition = nullptr;
    RETURN_IF_FAILED(Resolve(text, state.partitionType, partition));
    RETURN_IF_FAILED(RequireWritable());
    if (user.empty()) return Fail(KELM_E_BAD_ARGUMENT, "no user name");
    const std::string path = RelativePartitionPath(partition->id.type, partition->id.name);
    LibraryLock lock;
    RETURN_IF_FAILED(TakeLock(lock));
    ReservationState current;
    RETURN_IF_FAILED(ReadReservations(current));
    std::vector<Reservation>& reservations = current.reservations;
    const int index = FindReservation(reservations, path);
    if (index >= 0) {
        const std::string holder = reservations[static_cast<std::size_t>(index)].holder;
        if (!EqualNoCase(holder, user)) return Fail(KELM_E_RESERVED_BY_OTHER, "partition " + path + " is reserved by " + holder);
        if (reserve) return kAlreadyReservedByYou;
        reservations.erase(reservations.begin() + index);
    } else {
        if (!reserve) return S_FALSE;  // nothing to release
        reservations.push_back({path, user});
    }
    RETURN_IF_FAILED(WriteReservationChange(current, path, reserve ? user : std::string()));
    LetGo(lock);
    m_reservations = std::move(reservations);
    m_reservationStamp = platform::StampOf(ReservationFile());
    m_reservationJournalStamp = platform::StampOf(ReservationJournalOf(ReservationFile()));
    m_reservationsRead = true;
    partition->verifiedUntil = {};
    return S_OK;
}

// One change is one line appended to the journal, with one flush. The
// journal is folded into the file when it is long enough, or cannot take
// another line (torn, or left beside another file); a journal that names
// another file goes first, so that no later file can make it apply again.
HRESULT FileStoreBackend::WriteReservationChange(const ReservationState& current, const std::string& path,
                                                 const std::string& holder) {
    constexpr std::size_t kJournalMost = 64;
    const std::string file = ReservationFile(), journal = ReservationJournalOf(file);
    std::string error;
    if (current.baseExists && current.journal.appendable && current.journal.records < kJournalMost) {
        std::string bytes = current.journal.exists ? std::string() : JournalHeader(current.base);
        bytes += ReservationChangeLine(path, holder);
        if (platform::AppendDurably(journal, bytes, error) != platform::FileResult::Ok) return Fail(KELM_E_IO, error);
        return S_OK;
    }
    if (current.journal.exists && !current.journalApplies && platform::RemoveFile(journal) == platform::FileResult::Error)
        return Fail(KELM_E_IO, "cannot remove " + journal);
    if (platform::WriteFileAtomic(file, SerializeReservations(current.reservations), error) != platform::FileResult::Ok)
        return Fail(KELM_E_IO, error);
    // A journal that stays (the removal failed, or a crash came first)
    // names the file it was written for, and is ignored beside this one.
    if (current.journalApplies) (void)platform::RemoveFile(journal);
    return S_OK;
}

HRESULT FileStoreBackend::ReservePartition(const ObjectState& state, const std::string& partition, const std::string& user) {
    return ChangeReservation(state, partition, user, true);
}

HRESULT FileStoreBackend::UnReservePartition(const ObjectState& state, const std::string& partition,
                                             const std::string& user) {
    return ChangeReservation(state, partition, user, false);
}

HRESULT FileStoreBackend::GetPartitionReservation(const ObjectState& state, const std::string& text, std::string& holder) {
    Partition* partition = nullptr;
    RETURN_IF_FAILED(Resolve(text, state.partitionType, partition));
    RETURN_IF_FAILED(CurrentReservations());
    const int index = FindReservation(m_reservations, RelativePartitionPath(partition->id.type, partition->id.name));
    holder = index < 0 ? std::string() : m_reservations[static_cast<std::size_t>(index)].holder;
    return S_OK;
}

HRESULT FileStoreBackend::GetEditingHolder(const ObjectState& state, const std::string& text, std::string& holder) {
    Partition* partition = nullptr;
    RETURN_IF_FAILED(Resolve(text, state.partitionType, partition));
    if (m_reservationsRead) {
        const int index = FindReservation(m_reservations, RelativePartitionPath(partition->id.type, partition->id.name));
        if (index >= 0) {
            holder = m_reservations[static_cast<std::size_t>(index)].holder;
            return S_OK;
        }
    }
    return GetPartitionReservation(state, text, holder);
}

HRESULT FileStoreBackend::GetReservations(const ObjectState&, std::vector<Reservation>& reservations) {
    RETURN_IF_FAILED(RequireLoaded());
    RETURN_IF_FAILED(CurrentReservations());
    reservations = m_reservations;
    return S_OK;
}

// ---------------------------------------------------------------- save
HRESULT FileStoreBackend::Save(const char* file, int, int) {
    RETURN_IF_FAILED(RequireLoaded());
    if (file && *file && std::string(file) != m_file)
        return Fail(KELM_E_BAD_ARGUMENT, "the library can only be saved to the file it was loaded from");
    RETURN_IF_FAILED(RequireWritable());
    std::vector<Partition*> dirty;
    for (auto& [key, partition] : m_partitions)
        if (partition->dirty) dirty.push_back(partition.get());
    if (dirty.empty() && m_edits.empty() && m_deleted.empty()) return S_OK;

    LibraryLock lock;
    RETURN_IF_FAILED(TakeLock(lock));
    std::string error;

    // What other sessions saved since this one read the configuration is
    // kept: this session's changes are replayed on the file as it is now.
    // The file as this session read or wrote it last needs no copy: the
    // session's own configuration (with its edits) is what it saves then.
    const platform::FileStamp configStamp = platform::StampOf(m_file);
    LibraryConfig reread;
    LibraryConfig& merged = configStamp == m_configStamp ? m_config : reread;
    if (&merged == &reread) {
        std::string text;
        if (platform::ReadWholeFile(m_file, text, error) != platform::FileResult::Ok) return Fail(KELM_E_IO, error);
        if (!ParseLibraryConfig(text, m_file, merged, error)) return Fail(KELM_E_CORRUPT, error);
        for (const ConfigEdit& edit : m_edits) ApplyConfigEdit(merged, edit);
    }

    // A partition changed on disk by another session, while this one holds
    // unsaved edits to it, fails the save before anything is written.
    RETURN_IF_FAILED(CurrentReservations());
    const std::vector<Reservation>& reservations = m_reservations;
    for (Partition* partition : dirty) {
        const std::string path = RelativePartitionPath(partition->id.type, partition->id.name);
        if (merged.FindPartition(partition->id.type, partition->id.name) < 0)
            return Fail(KELM_E_CONFLICT, "partition " + path + " was deleted by another session; nothing was saved");
        if (!(platform::StampOf(DataFile(partition->id)) == partition->stamp))
            return Fail(KELM_E_CONFLICT, "partition " + path + " was changed by another session since it was read; "
                                         "nothing was saved (reload to see the other changes)");
        // An editor may give a partition back before saving (the editing
        // methods release a partition they took for one call, then save);
        // only a partition that someone else holds now refuses the save.
        const int index = FindReservation(reservations, path);
        if (index >= 0 && !EqualNoCase(reservations[static_cast<std::size_t>(index)].holder, partition->editor))
            return Fail(KELM_E_RESERVED_BY_OTHER, "partition " + path + " is no longer reserved by " + partition->editor +
                                                  "; nothing was saved");
    }
    RETURN_IF_FAILED(CheckLibraryRules(merged, dirty));
    const HRESULT written = WriteChanges(merged, dirty, configStamp);
    if (SUCCEEDED(written)) LetGo(lock);
    for (auto& [key, partition] : m_partitions) partition->verifiedUntil = {};
    return written;
}

HRESULT FileStoreBackend::WriteChanges(LibraryConfig& merged, std::vector<Partition*>& dirty, platform::FileStamp configStamp) {
    const bool sameView = &merged == &m_config && m_edits.empty() && m_deleted.empty();
    std::string error;
    std::string stamp;  // taken when a partition first goes to Deleted
    auto moveToDeleted = [&](const PartitionId& id) -> HRESULT {
        if (stamp.empty()) stamp = DeletionStamp();
        std::vector<std::string> containers{PartitionContainer(id)};
        if (id.type == kPartitionTypeCell) containers.push_back(DataFile(id));
        if (id.type == kPartitionTypePart) containers.push_back(JournalFileOf(DataFile(id)));
        for (const std::string& container : containers) {
            if (!platform::StampOf(container).exists) continue;
            const std::string relative = container.substr(m_folder.size());
            const std::string target = LibraryPath("Deleted\\" + stamp + "\\" + relative);
            const std::size_t slash = target.find_last_of("\\/");
            if (!platform::MakeFolders(target.substr(0, slash))) return Fail(KELM_E_IO, "cannot create " + target.substr(0, slash));
            if (platform::MovePath(container, target, error) != platform::FileResult::Ok) return Fail(KELM_E_IO, error);
        }
        (void)platform::RemoveFile(m_index.FileOf(id));  // derived: nothing to keep
        return S_OK;
    };
    auto ensureFolder = [&](const std::string& file) -> HRESULT {
        const std::size_t slash = file.find_last_of("\\/");
        if (slash != std::string::npos && !platform::MakeFolders(file.substr(0, slash)))
            return Fail(KELM_E_IO, "cannot create the folder of " + file);
        return S_OK;
    };

    // 1. A partition deleted and added again: its old container goes first.
    for (const PartitionId& id : m_deleted)
        if (merged.FindPartition(id.type, id.name) >= 0) RETURN_IF_FAILED(moveToDeleted(id));

    // 2. Additions: containers of new partitions, then changed partition data.
    for (const ConfigEdit& edit : m_edits) {
        if (edit.op != ConfigEdit::Op::AddPartition || merged.FindPartition(edit.partition.type, edit.partition.name) < 0)
            continue;
        const PartitionId& id = edit.partition;
        if (id.type == kPartitionTypeSymbol) {
            if (!platform::MakeFolders(DataFile(id))) return Fail(KELM_E_IO, "cannot create " + DataFile(id));
            continue;
        }
        // A new part partition with records gets its file from the write below.
        if (id.type == kPartitionTypePart &&
            std::any_of(dirty.begin(), dirty.end(), [&](const Partition* p) { return p->id.type == id.type && EqualNoCase(p->id.name, id.name); }))
            continue;
        const std::string container = PartitionContainer(id);
        if (platform::StampOf(container).exists) continue;
        RETURN_IF_FAILED(ensureFolder(container));
        const std::string empty = id.type == kPartitionTypeCell ? jsonl::Header("celldb", 0) : jsonl::Header("parts", 0);
        const platform::FileResult created = platform::CreateFileExclusive(container, empty, error);
        if (created != platform::FileResult::Ok && created != platform::FileResult::Exists) return Fail(KELM_E_IO, error);
    }
    for (Partition* partition : dirty) {
        // A file that was there when read has its folder (unless this save moved a partition away).
        if (!partition->stamp.exists || !m_deleted.empty()) RETURN_IF_FAILED(ensureFolder(DataFile(partition->id)));
        const HRESULT journaled = AppendToJournal(*partition);
        RETURN_IF_FAILED(journaled);
        if (journaled == S_FALSE) RETURN_IF_FAILED(WritePartition(*partition));
        partition->addedCells.clear();
        partition->dirty = false;
        partition->stamp = platform::StampOf(DataFile(partition->id));
        WriteIndex(*partition);
    }

    // 3. The configuration.
    if (!m_edits.empty()) {
        if (platform::WriteFileAtomic(m_file, SerializeLibraryConfig(merged), error) != platform::FileResult::Ok)
            return Fail(KELM_E_IO, error);
        configStamp = platform::StampOf(m_file);
    }
    m_configStamp = configStamp;

    // 4. Deletions last: containers of deleted partitions go to Deleted.
    for (const PartitionId& id : m_deleted)
        if (merged.FindPartition(id.type, id.name) < 0) RETURN_IF_FAILED(moveToDeleted(id));

    if (&merged != &m_config) m_config = std::move(merged);
    m_edits.clear();
    m_deleted.clear();
    if (sameView) SourcesChanged();
    else SyncPartitionsWithConfig();
    for (auto& [key, partition] : m_partitions) partition->addCheck = Partition::AddCheck::None;
    // When nobody else has held the lock since this session last did, the
    // files it has read are as it read them: only those it wrote changed,
    // and it has their records and indexes already. Otherwise partitions it
    // read and did not change are read again on next use when another
    // session saved them meanwhile, and every index is checked against its
    // file on next use.
    if (sameView && !m_othersLocked) {
        if (m_wideChecked) DecideWideMerge();
        return S_OK;
    }
    for (auto& [key, partition] : m_partitions)
        if (partition->loaded && partition->id.type != kPartitionTypeSymbol &&
            !(platform::StampOf(DataFile(partition->id)) == partition->stamp))
            Unload(*partition);
    RecheckIndexes();
    m_othersLocked = false;
    return S_OK;
}

// A few part types changed in a large part file go to its journal: the
// file is touched first, so that every session sees a change (and no index
// describes the file without the records), then the records are appended
// with one flush. S_FALSE: the partition is written whole instead.
HRESULT FileStoreBackend::AppendToJournal(Partition& partition) {
    // Small files are rewritten; a journal is folded when it holds more
    // records than an eighth of the part types (between 32 and 256).
    constexpr std::size_t kJournalFrom = 32 * 1024;
    const std::size_t most = std::clamp<std::size_t>(partition.parts.Size() / 8, 32, 256);
    if (partition.id.type != kPartitionTypePart || !partition.stamp.exists || !partition.journal.appendable ||
        partition.parts.Text().size() < kJournalFrom || partition.journal.records + partition.changedParts.size() > most)
        return S_FALSE;
    const std::string file = DataFile(partition.id);
    std::string bytes, error;
    if (!partition.journal.exists) bytes = JournalHeader(partition.parts.Text());
    bool damaged = false;
    AppendJournalSaveOf(bytes, [&](const std::string& number) -> const PartRecord* {
        PartRecord* part = nullptr;
        damaged = damaged || partition.parts.Record(number, part) == PartTable::Found::Damaged;
        return part;
    }, partition.changedParts);
    if (damaged) return Fail(KELM_E_CORRUPT, file + ": a part type changed by this session cannot be read again");
    if (!platform::TouchFile(file)) return Fail(KELM_E_IO, "cannot write " + file);
    const platform::FileResult appended = platform::AppendDurably(JournalFileOf(file), bytes, error);
    if (appended != platform::FileResult::Ok) {
        partition.journal.appendable = false;  // a part of the records may be there, without their commit
        return Fail(KELM_E_IO, error);
    }
    partition.journal.exists = true;
    partition.journal.records += partition.changedParts.size();
    partition.journaled.merge(partition.changedParts);
    partition.changedParts.clear();
    return S_OK;
}

// The partition's whole file, atomically; its journal is folded in and goes.
HRESULT FileStoreBackend::WritePartition(Partition& partition) {
    const std::string file = DataFile(partition.id);
    std::string error;
    if (partition.id.type != kPartitionTypePart) {
        if (platform::WriteFileAtomic(file, SerializeCellCatalog(partition.cells), error) != platform::FileResult::Ok)
            return Fail(KELM_E_IO, error);
        return S_OK;
    }
    partition.changedParts.merge(partition.journaled);
    std::string bytes = partition.parts.Serialize(partition.changedParts);
    if (bytes.empty()) return Fail(KELM_E_CORRUPT, file + ": a part type read before cannot be read again");
    if (platform::WriteFileAtomic(file, bytes, error) != platform::FileResult::Ok) return Fail(KELM_E_IO, error);
    // A journal that stays (the removal failed, or a crash came first) names
    // the file it was written for, and is ignored beside this one.
    if (partition.journal.exists || platform::StampOf(JournalFileOf(file)).exists) (void)platform::RemoveFile(JournalFileOf(file));
    partition.journal = JournalState{};
    partition.parts.Adopt(std::move(bytes));
    partition.changedParts.clear();
    partition.journaled.clear();
    return S_OK;
}

// The index of a partition this session has just written: derived from its
// records, and written under the lock beside the data file.
void FileStoreBackend::WriteIndex(Partition& partition) {
    std::vector<IndexEntryRef> entries;
    if (partition.id.type == kPartitionTypePart) {
        entries.reserve(partition.parts.Size());
        partition.parts.ForEach([&](const std::string& number, const StringList& cells) { entries.push_back({number, &cells}); });
    } else {
        entries.reserve(partition.cells.size());
        for (const auto& [name, cell] : partition.cells) entries.push_back({name, &cell.pins});
    }
    partition.index = m_index.Write(partition.id, partition.stamp, entries);
    partition.indexChecked = partition.index != nullptr;
    partition.wide = -1;  // the library-wide index describes the file before
    SourcesChanged();
}

}  // namespace kelm::store

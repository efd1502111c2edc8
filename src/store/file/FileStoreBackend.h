// The file-backed store session behind a KelmServer (see
// docs/library-format.md for the files). Edits live in memory until Save;
// partitions are read on first use; reservations go to the reservation journal
// at once, under the library lock.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "store/format/LibraryConfig.h"
#include "store/file/LibraryLock.h"
#include "store/format/LibraryFiles.h"
#include "store/format/PartJournal.h"
#include "store/format/PartTable.h"
#include "store/format/PartitionFiles.h"
#include "store/file/ReservationFile.h"
#include "store/index/LibraryIndex.h"
#include "store/index/LibraryWideIndex.h"
#include "store/items/StoreBackend.h"

namespace kelm::store {

class FileStoreBackend : public StoreBackend {
public:
    FileStoreBackend() = default;
    ~FileStoreBackend() override = default;

    HRESULT Init() override;
    HRESULT Load(const char* file, int mode) override;
    HRESULT Save(const char* file, int reservedMode, int reservedFlags) override;
    void Close() override;
    std::string LastErrorText() const override { return m_lastError; }
    std::uint64_t ViewVersion() const override { return m_view; }

    HRESULT GetSchemes(const ObjectState&, StringList&) override;
    HRESULT GetDefaultSearchSchemeName(const ObjectState&, std::string&) override;
    HRESULT GetDefaultSearchScheme(const ObjectState&, StringList&) override;
    HRESULT ViewDefaultSearchScheme(const ObjectState&, const StringList*& partitions) override;
    HRESULT GetSchemePartitionList(const ObjectState&, const std::string& scheme, StringList&) override;
    HRESULT GetAllPartitions(const ObjectState&, StringList&, int reservedFlag) override;
    HRESULT GetNumObjectsInPartition(const ObjectState&, const std::string& partition, int& count) override;
    HRESULT AddPartition(const ObjectState&, const std::string& path, int reservedFlag) override;
    HRESULT DeletePartition(const ObjectState&, const std::string& path) override;
    HRESULT AddSearchScheme(const ObjectState&, const std::string& scheme, const StringList& partitions, int protection,
                            int makeDefaultIfNone) override;
    HRESULT DeleteScheme(const ObjectState&, const std::string& scheme) override;
    HRESULT GetDefaultSchemeProtection(const ObjectState&, int& protection) override;
    HRESULT ReservePartition(const ObjectState&, const std::string& partition, const std::string& user) override;
    HRESULT UnReservePartition(const ObjectState&, const std::string& partition, const std::string& user) override;
    HRESULT GetPartitionReservation(const ObjectState&, const std::string& partition, std::string& holder) override;
    HRESULT GetEditingHolder(const ObjectState&, const std::string& partition, std::string& holder) override;
    HRESULT GetReservations(const ObjectState&, std::vector<Reservation>&) override;
    HRESULT RefreshPartition(const ObjectState&, const std::string& partition) override;

    HRESULT PartAdd(const ObjectState&, const std::string& partition, const StringList& pins, const std::string& part,
                    const char* /*reservedText*/, int /*reservedMode*/, int /*reservedFlags*/) override;
    HRESULT PartDelete(const ObjectState&, const std::string& part) override;
    HRESULT PartSetName(const ObjectState&, const std::string& text, const std::string& part) override;
    HRESULT PartSetNameDefault(const ObjectState&, int value, const std::string& part) override;
    HRESULT PartSetLabel(const ObjectState&, const std::string& text, const std::string& part) override;
    HRESULT PartSetLabelDefault(const ObjectState&, int value, const std::string& part) override;
    HRESULT PartSetDesc(const ObjectState&, const std::string& text, const std::string& part) override;
    HRESULT PartSetType(const ObjectState&, const std::string& text, const std::string& part) override;
    HRESULT PartSetTimestamp(const ObjectState&, std::int32_t time, const std::string& part) override;
    PartPropertyStatuses PartSetProperties(const ObjectState&, const PartProperties& properties,
                                           const std::string& part) override;
    HRESULT PartAddSymbol(const ObjectState&, const std::string& symbol, const StringList& pins,
                          const std::string& part) override;
    HRESULT PartAddCell(const ObjectState&, const std::string& cell, const std::string& part) override;
    HRESULT PartGetPinNumbers(const ObjectState&, StringList&, const std::string& part) override;
    HRESULT PartGetPartsInPartition(const ObjectState&, StringList&, const std::string& partition) override;
    HRESULT PartGetPartition(const ObjectState&, std::string& partition, const std::string& part) override;
    HRESULT PartGetRecord(const ObjectState&, const std::string& part, PartRecord&) override;

    HRESULT CellAdd(const ObjectState&, const StringList& pins, const std::string& cell, const std::string& partition,
                    int type, std::int32_t time, int reservedMode, int reservedFlags) override;
    HRESULT CellDelete(const ObjectState&, const std::string& cell, const std::string& partition) override;
    bool CellExists(const ObjectState&, const std::string& cell, const std::string& partition) override;
    HRESULT CellReplacePins(const ObjectState&, const StringList& pins, const std::string& cell) override;
    HRESULT CellAddPadstack(const ObjectState&, const std::string& padstack, const std::string& cell,
                            const char* reservedText) override;
    HRESULT CellSetTimestamp(const ObjectState&, std::int32_t time, const std::string& cell,
                             const std::string& partition) override;
    HRESULT CellGetPinNames(const ObjectState&, StringList&, const std::string& cell) override;
    HRESULT CellGetPadstackNames(const ObjectState&, StringList&, const std::string& cell, const char* reservedText) override;
    HRESULT CellGetType(const ObjectState&, int& type, const std::string& cell, const std::string& partition) override;
    HRESULT CellGetPartNumbers(const ObjectState&, StringList&, const std::string& cell) override;
    HRESULT CellGetPartitionNames(const ObjectState&, StringList&, const std::string& cell) override;
    HRESULT CellGetCellsInPartition(const ObjectState&, StringList&, const std::string& partition) override;
    HRESULT CellGetRecord(const ObjectState&, const std::string& cell, const std::string& partition, CellRecord&) override;

    HRESULT SymbolGetSymbolsInPartition(const ObjectState&, StringList&, const std::string& partition) override;
    HRESULT SymbolGetPinNames(const ObjectState&, StringList&, const std::string& symbol) override;
    HRESULT SymbolGetPartitionNames(const ObjectState&, StringList&, const std::string& symbol) override;
    HRESULT SymbolGetHolders(const ObjectState&, StringList&, const std::string& symbol) override;

private:
    struct Partition {
        PartitionId id;
        bool loaded = false;
        bool dirty = false;
        platform::FileStamp stamp;  // of the data file as this session read it
        // The partition's index, which answers library-wide questions while
        // the partition is not read; checked against the data file again
        // when `indexChecked` is false (after a save, reload or refresh).
        IndexPtr index;
        bool indexChecked = false;
        // The partition's number in the library-wide index while that index
        // describes the data file as it is now; -1: answered from `index`.
        std::int64_t wide = -1;
        std::size_t order = 0;  // among the partitions of its type, in configuration order
        // Part partitions: the part numbers this session added since it last
        // saved were all checked against this partition as its file was
        // with `addsCheckedAt` (None: no number added; Mixed: against more
        // than one state). Save checks them again only where that changed.
        enum class AddCheck { None, At, Mixed } addCheck = AddCheck::None;
        platform::FileStamp addsCheckedAt;
        // Part partitions: the part types, with the file as read (or as this
        // session wrote it last), and those changed since, so that a save
        // serialises only those.
        PartTable parts;
        std::set<std::string> changedParts;
        // Part partitions: the journal beside the file (as read, plus this
        // session's appends) and the part types it changed since the text.
        JournalState journal;
        std::set<std::string> journaled;
        CellMap cells;
        std::set<std::string> addedCells;  // since the partition was read or saved
        std::map<std::string, StringList> symbols;  // symbol name -> pins, read on first use
        std::set<std::string> symbolPinsRead;
        std::string editor;  // the working user of this session's edits
        // The working user last found holding the partition, and until when
        // that answer is used for edits without asking the file again (Save
        // checks the holder once more under the lock).
        std::string verifiedHolder;
        std::chrono::steady_clock::time_point verifiedUntil;
    };

    // Session
    HRESULT ReadLibrary(std::string file, bool readOnly);
    void Reset();
    // I/O failures and damaged files also go to the store's log (of
    // `library` when given, else of the loaded library).
    HRESULT Fail(HRESULT status, std::string text, const std::string& library = {});
    HRESULT RequireLoaded();
    HRESULT RequireWritable();

    // Files
    std::string DataFile(const PartitionId& id) const;  // .pdb, .cells or the sym folder
    std::string PartitionContainer(const PartitionId& id) const;
    std::string LibraryPath(const std::string& relative) const { return m_folder + relative; }
    std::string LockFile() const { return LibraryLockFile(m_file); }
    std::string ReservationFile() const { return LibraryReservationFile(m_file); }
    // Takes the library lock; the first time in a loaded library, also
    // removes what sessions that ended abruptly left behind.
    HRESULT TakeLock(LibraryLock& lock);
    // Lets the lock go after a write, keeping the release mark it left.
    void LetGo(LibraryLock& lock);

    // Partitions
    static std::string Key(int type, const std::string& name);
    Partition* Find(int type, const std::string& name);
    HRESULT Resolve(const std::string& text, int typeOfBareName, Partition*& partition);
    HRESULT EnsureLoaded(Partition& partition);
    HRESULT LoadSymbolPins(Partition& partition, const std::string& symbol);
    void SyncPartitionsWithConfig();  // also a new view (ViewChanged)
    void ViewChanged();
    void Unload(Partition& partition);

    // Reservations
    HRESULT ReadReservations(ReservationState& state);
    HRESULT WriteReservationChange(const ReservationState& current, const std::string& path, const std::string& holder);
    HRESULT CurrentReservations();  // m_reservations, re-read when the file or its journal changed
    HRESULT CheckHolder(const ObjectState& state, Partition& partition);
    HRESULT ChangeReservation(const ObjectState& state, const std::string& partitionText, const std::string& user,
                              bool reserve);

    // Items. A partition that is read answers from its records (with this
    // session's edits), any other from its index.
    HRESULT IndexOf(Partition& partition, const PartitionIndex*& index);
    static bool FromRecords(const Partition& partition);
    void RecheckIndexes();
    void DecideWideMerge();  // whether the next lookup merges the library-wide index
    void CheckWideIndex();
    void MergeWideIndex();
    HRESULT WideLookup(int kind, const std::string& name, const LibraryWideIndex::Answer*& answer);
    void ForgetWideAnswer();
    // Where the partitions' answers come from: those answered from the
    // library-wide index by their number in it; by type, in configuration
    // order, every other one (not in it, or read). Taken again on first use
    // after SourcesChanged().
    void SourcesChanged() {
        m_sourcesKnown = false;
        ++m_sourcesGeneration;
    }
    void KnowSources();
    // The partitions of a type holding a name (the first only, with
    // firstOnly), in configuration order: those the library-wide index
    // answers for from its answer `wide` alone, every other one through
    // `holds`, whose failure is the lookup's.
    HRESULT HoldersOf(int type, const LibraryWideIndex::Answer& wide, bool firstOnly,
                      const std::function<HRESULT(Partition&, bool&)>& holds, std::vector<Partition*>& holders);
    HRESULT LocatePart(const std::string& number, Partition*& holder);
    HRESULT CellHolders(const std::string& cell, std::vector<Partition*>& holders, bool firstOnly);
    HRESULT CellPinsIn(Partition& partition, const std::string& cell, StringList& pins);
    HRESULT FindPart(const std::string& number, Partition*& partition, PartRecord*& part);
    HRESULT EditPart(const ObjectState& state, const std::string& number, PartRecord*& part);
    HRESULT LocateCell(const ObjectState& state, const std::string& partitionText, const std::string& cell,
                       Partition*& partition, CellRecord*& record);
    HRESULT EditCell(const ObjectState& state, const std::string& partitionText, const std::string& cell,
                     CellRecord*& record);

    // Save
    HRESULT CheckLibraryRules(const LibraryConfig& merged, const std::vector<Partition*>& dirty);
    // configStamp: the stamp of the configuration file that `merged` was read from.
    HRESULT WriteChanges(LibraryConfig& merged, std::vector<Partition*>& dirty, platform::FileStamp configStamp);
    HRESULT WritePartition(Partition& partition);
    HRESULT AppendToJournal(Partition& partition);
    void WriteIndex(Partition& partition);

    bool m_loaded = false;
    bool m_readOnly = true;
    std::string m_file;    // the library file as given
    std::string m_folder;  // its folder, ending in a separator (or empty)
    std::string m_stem;    // its name without extension
    std::string m_lastError;

    LibraryConfig m_config;          // as this session sees it
    std::uint64_t m_view = 0;        // see ViewVersion
    platform::FileStamp m_configStamp;  // of the file this session read or wrote last
    std::vector<ConfigEdit> m_edits;    // this session's unsaved changes to the configuration
    std::vector<PartitionId> m_deleted; // partitions whose containers go to Deleted at save
    std::map<std::string, std::unique_ptr<Partition>> m_partitions;
    std::map<int, std::vector<Partition*>> m_byType;  // configuration order
    // The part number found or added last and its partition (null: none),
    // forgotten whenever partitions are read again or go away.
    std::string m_lastPart;
    Partition* m_lastPartHolder = nullptr;

    std::vector<Reservation> m_reservations;
    platform::FileStamp m_reservationStamp, m_reservationJournalStamp;
    bool m_reservationsRead = false;

    LibraryIndex m_index;
    LibraryWideIndex m_wide;
    platform::FileStamp m_wideStamp;  // of the file m_wide opened, taken before
    bool m_sourcesKnown = false;
    std::uint64_t m_sourcesGeneration = 0;
    // The generation of the sources for which the partitions answered from
    // the library-wide index were last recorded as checked by PartAdd.
    std::uint64_t m_addsRecordedAt = static_cast<std::uint64_t>(-1);
    std::vector<Partition*> m_wideOwner;
    std::map<int, std::vector<Partition*>> m_offWide;
    bool m_wideChecked = false;
    bool m_wideMerge = false;  // at the next lookup
    // The lock's release mark as this session last left or read it, and
    // whether another holder has come since, unseen by this session's
    // partitions and indexes: they are checked again after its next save.
    platform::FileStamp m_lockMark;
    bool m_othersLocked = false;
    LibraryWideIndex::Answer m_wideAnswer;  // of the last name asked
    int m_wideAnswerKind = -1;
    std::string m_wideAnswerName;
};

}  // namespace kelm::store

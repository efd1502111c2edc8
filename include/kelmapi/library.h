// KelmAPI: the librarian's access to library files, for tools that do what
// IKelm has no method for: create an empty library, write cell, symbol and
// padstack files, read a library's outline and whole records (export),
// where-used answers for symbols and padstacks, and the library check.
//
// These are C++ functions of the static core (kelmcore), which the kelm
// tool and CuratorCommand link. libkelmapi.so keeps a C-only ABI and does
// not export them, nor does KelmAPI.dll; this header is not installed.
//
// Every status is 0 or one of kelmapi/status.h. Library paths are the
// component's: the .qvm file, partitions as relative paths with
// backslashes ("PartsDBLibs\Resistors.pdb"). A failure gives, in `error`
// when asked, a text naming the file and the cause.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kelmapi/status.h"

namespace kelmapi {

using Names = std::vector<std::string>;

// ---------------------------------------------------------------- writing files
// An empty library (no partitions, no search schemes); never overwrites
// (KELM_E_ITEM_EXISTS_OR_MISSING when the file exists).
HRESULT CreateLibrary(const std::string& qvmPath, std::string* error = nullptr);

// Adds or replaces a cell's pins and padstacks in a cell database file
// (created if missing), under the lock of every library it belongs to.
HRESULT AddCellGeometry(const std::string& celPath, const std::string& cell, const Names& pins,
                        const Names& padstacks, std::string* error = nullptr);
// The names of the cells a cell database file holds, sorted.
HRESULT ListCellGeometry(const std::string& celPath, Names& cells, std::string* error = nullptr);

// Adds or replaces a symbol file of a symbol partition of the library.
HRESULT AddSymbolFile(const std::string& qvmPath, const std::string& partition, const std::string& symbol,
                      const Names& pins, std::string* error = nullptr);

struct PadstackInfo {
    std::string name;
    int type = 0;
    std::int32_t timestamp = 0;
};
// An empty padstack database file (never overwrites), and the padstacks of one.
HRESULT CreatePadstackFile(const std::string& path, std::string* error = nullptr);
HRESULT ListPadstackFile(const std::string& path, std::vector<PadstackInfo>& padstacks, std::string* error = nullptr);

// Whether a bare partition or item name can be one file name: not empty,
// no separator, colon or control character, not "." or "..".
bool IsSafeFileName(const std::string& name);

// ---------------------------------------------------------------- reading a library
enum class PartitionKind { Symbol, Cell, Part };

struct PartitionInfo {
    PartitionKind kind = PartitionKind::Part;
    std::string name;  // bare: "Resistors"
    std::string path;  // relative: "PartsDBLibs\Resistors.pdb"
};

struct ReservationInfo {
    std::string partition;  // relative path
    std::string holder;
};

struct SymbolUse {
    std::string itemSpec;  // Partition:Symbol
    Names pins;
};

struct PartTypeRecord {
    std::string number;
    std::string name;
    std::string label;
    std::string type;
    std::string description;
    std::int32_t timestamp = 0;
    Names pins;
    Names cells;
    std::vector<SymbolUse> symbols;
};

struct CellRecord {
    std::string name;
    Names pins;
    Names padstacks;
    std::int32_t timestamp = 0;
};

// Where an item is used: the bare partition name and the part number or cell.
struct ItemUse {
    std::string partition;
    std::string item;
};

// A read-only session on one library, through the store's own readers.
class LibraryReader {
public:
    LibraryReader();
    ~LibraryReader();
    LibraryReader(const LibraryReader&) = delete;
    LibraryReader& operator=(const LibraryReader&) = delete;

    HRESULT Open(const std::string& qvmPath);
    // The store's words for the last failure; may be empty.
    std::string LastErrorText() const;

    HRESULT SearchSchemes(Names& schemes);
    HRESULT DefaultSearchScheme(std::string& scheme);
    HRESULT SchemePartitions(const std::string& scheme, Names& paths);
    // Every partition of the configuration, in its order.
    HRESULT Partitions(std::vector<PartitionInfo>& partitions);
    HRESULT CountItems(const PartitionInfo& partition, int& count);
    HRESULT Reservations(std::vector<ReservationInfo>& reservations);

    // The items of a part or cell partition (a bare name), and their records.
    HRESULT PartNumbers(const std::string& partition, Names& numbers);
    HRESULT ReadPartType(const std::string& number, PartTypeRecord& record);
    HRESULT CellNames(const std::string& partition, Names& cells);
    HRESULT ReadCell(const std::string& cell, const std::string& partition, CellRecord& record);

    // The part types whose symbols include `symbol` (Partition:Symbol, the
    // partition without regard to case, or a bare symbol of any partition),
    // and the cells that carry a padstack; sorted by partition, then item.
    HRESULT PartsUsingSymbol(const std::string& symbol, std::vector<ItemUse>& uses);
    HRESULT CellsUsingPadstack(const std::string& padstack, std::vector<ItemUse>& uses);

private:
    struct Session;
    std::unique_ptr<Session> m_session;
};

// ---------------------------------------------------------------- the check
enum class FindingSeverity { Error, Warning };

struct LibraryFinding {
    FindingSeverity severity = FindingSeverity::Error;
    std::string kind;  // damaged-file, missing-cell, missing-symbol, missing-pin, duplicate-part,
                       // missing-file, orphan-file, unused-cell, unused-symbol, reservation, stale-lock
    std::string file;  // as the library names it (PartsDBLibs\Res.pdb); may be empty
    long line = 0;     // 0 when the finding is not about one line
    std::string message;
};

struct LibraryCheckReport {
    std::vector<LibraryFinding> findings;
    std::size_t partitions = 0;
    std::size_t parts = 0;
    std::size_t cells = 0;
    std::size_t symbols = 0;

    std::size_t Count(FindingSeverity severity) const;
};

// Reads every file of the library, read-only and without a store session,
// each by the store's own strict reader: a damaged file is named with its
// line and the others are still checked. Errors: a damaged file; a part type
// referring to a cell or symbol the library lacks, or with a pin none of its
// cells has; a part number in two partitions; a configured partition without
// its file, and a partition file no partition owns. Warnings: unused cells
// and symbols; reservations of partitions that are gone, or held by a user
// not known; a lock left by a process that no longer runs.
// `knownUsers`: who may hold reservations (empty: any non-empty name).
// 0 once the configuration could be read (the report then holds every
// finding); KELM_E_CORRUPT or KELM_E_IO when it could not (that finding alone).
HRESULT CheckLibrary(const std::string& qvmPath, const Names& knownUsers, LibraryCheckReport& report);

}  // namespace kelmapi

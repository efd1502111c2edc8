#include "store/file/LibraryCheck.h"

#include <algorithm>
#include <map>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "platform/Machine.h"
#include "platform/Files.h"
#include "store/db/CellDBFile.h"
#include "store/file/LibraryLock.h"
#include "store/file/ReservationFile.h"
#include "store/format/LibraryConfig.h"
#include "store/format/PartJournal.h"
#include "store/format/PartitionFiles.h"

namespace kelm::store {
namespace {

std::string FolderOf(const std::string& file) {
    const std::size_t separator = file.find_last_of("\\/");
    return separator == std::string::npos ? std::string() : file.substr(0, separator + 1);
}

std::string StemOf(const std::string& file) {
    const std::size_t separator = file.find_last_of("\\/");
    std::string name = separator == std::string::npos ? file : file.substr(separator + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

std::string KindName(int type) {
    return type == kPartitionTypeCell ? "cell" : type == kPartitionTypePart ? "part" : "symbol";
}

bool EndsWith(const std::string& text, std::string_view tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Every file of one library, and what was learnt from it so far.
class Checker {
public:
    Checker(const std::string& qvmPath, const LibraryCheckOptions& options, LibraryCheckReport& report)
        : m_qvm(qvmPath), m_folder(FolderOf(qvmPath)), m_stem(StemOf(qvmPath)), m_options(options), m_report(report) {}

    HRESULT Run() {
        m_qvmName = m_stem + ".qvm";
        std::string text;
        const HRESULT read = Read(m_qvm, m_qvmName, text);
        if (read == S_FALSE) Add(FindingSeverity::Error, "missing-file", m_qvmName, 0, "the library file " + m_qvm + " does not exist");
        if (read != S_OK) return KELM_E_IO;
        std::string error;
        if (!ParseLibraryConfig(text, m_qvmName, m_config, error)) {
            Damaged(m_qvmName, error);
            return KELM_E_CORRUPT;
        }
        m_report.partitions = m_config.partitions.size();
        for (const PartitionId& id : m_config.partitions) m_owned.insert(LowerAscii(RelativePartitionPath(id.type, id.name)));
        ReadCells();
        ReadSymbols();
        ReadParts();
        FindOrphans();
        ReportUnused();
        CheckReservations();
        CheckLock();
        return S_OK;
    }

private:
    void Add(FindingSeverity severity, std::string kind, std::string file, long line, std::string message) {
        m_report.findings.push_back({severity, std::move(kind), std::move(file), line, std::move(message)});
    }

    // A reader's "<file>, line <n>: <message>", as one finding.
    void Damaged(const std::string& file, const std::string& error) {
        long line = 0;
        std::string message = error;
        const std::size_t at = error.find(", line ");
        if (at != std::string::npos) {
            const std::size_t digits = at + 7;
            std::size_t end = digits;
            while (end < error.size() && error[end] >= '0' && error[end] <= '9') ++end;
            if (end > digits) line = std::stol(error.substr(digits, end - digits));
            if (error.compare(end, 2, ": ") == 0) message = error.substr(end + 2);
        }
        Add(FindingSeverity::Error, "damaged-file", file, line, message);
    }

    // S_OK with the text; S_FALSE when there is no such file; otherwise
    // the failure, reported.
    // Part files are read with their journals, as the store reads them.
    HRESULT Read(const std::string& path, const std::string& name, std::string& text, bool partFile = false) {
        std::string error;
        const platform::FileResult result = partFile ? ReadPartFile(path, text, error) : platform::ReadWholeFile(path, text, error);
        if (result == platform::FileResult::Ok) return S_OK;
        if (result == platform::FileResult::NotFound) return S_FALSE;
        Add(FindingSeverity::Error, "damaged-file", name, 0, "cannot be read: " + error);
        return KELM_E_IO;
    }

    void MissingContainer(const PartitionId& id) {
        Add(FindingSeverity::Error, "missing-file", RelativePartitionPath(id.type, id.name), 0,
            KindName(id.type) + " partition '" + id.name + "' is in " + m_qvmName + " but " +
                (id.type == kPartitionTypeSymbol ? "its folder is" : "its file is") + " missing");
    }

    void ReadCells() {
        for (const PartitionId& id : m_config.partitions) {
            if (id.type != kPartitionTypeCell) continue;
            const std::string container = RelativePartitionPath(id.type, id.name);
            std::string text, error;
            const HRESULT geometry = Read(m_folder + container, container, text);
            if (geometry == S_FALSE) MissingContainer(id);
            CellGeometryMap cellFile;
            if (geometry == S_OK && !ParseCellDBFile(text, container, cellFile, error)) Damaged(container, error);
            const std::string catalog = "CellDBLibs\\" + id.name + kCellCatalogExtension;
            const HRESULT read = Read(m_folder + catalog, catalog, text);
            m_cellsUnread = m_cellsUnread || FAILED(read);
            if (read != S_OK) continue;
            CellMap cells;
            if (!ParseCellCatalog(text, catalog, id.name, cells, error)) {
                Damaged(catalog, error);
                m_cellsUnread = true;
                continue;
            }
            long line = 1;
            for (auto& [name, record] : cells) {
                ++line;
                ++m_report.cells;
                Cell& cell = m_cells[name];
                if (cell.places.empty()) cell.pins.insert(record.pins.begin(), record.pins.end());
                cell.places.push_back({catalog, line, id.name});
            }
        }
    }

    void ReadSymbols() {
        for (const PartitionId& id : m_config.partitions) {
            if (id.type != kPartitionTypeSymbol) continue;
            const std::string folder = RelativePartitionPath(id.type, id.name) + "\\sym";
            std::vector<std::string> files;
            if (!platform::IsFolder(m_folder + folder) || !platform::ListFiles(m_folder + folder, files)) {
                MissingContainer(id);
                continue;
            }
            for (const std::string& file : files) {
                if (!EndsWith(file, kSymbolFileExtension)) continue;
                const std::string path = folder + "\\" + file;
                const std::string symbol = file.substr(0, file.size() - std::char_traits<char>::length(kSymbolFileExtension));
                ++m_report.symbols;
                Symbol& entry = m_symbols[LowerAscii(id.name) + ":" + symbol];
                entry.qualified = id.name + ":" + symbol;
                entry.file = path;
                std::string text, error, name;
                StringList pins;
                if (Read(m_folder + path, path, text) != S_OK) continue;
                if (!ParseSymbolFile(text, path, name, pins, error)) {
                    Damaged(path, error);
                } else if (name != symbol) {
                    Add(FindingSeverity::Error, "damaged-file", path, 2,
                        "the symbol is named \"" + name + "\", not \"" + symbol + "\" as its file");
                }
            }
        }
    }

    void ReadParts() {
        std::unordered_map<std::string, std::string> partitionOf;  // part number -> first partition
        partitionOf.reserve(1 << 16);
        for (const PartitionId& id : m_config.partitions) {
            if (id.type != kPartitionTypePart) continue;
            const std::string file = RelativePartitionPath(id.type, id.name);
            std::string text, error;
            const HRESULT read = Read(m_folder + file, file, text, true);
            if (read == S_FALSE) MissingContainer(id);
            if (read != S_OK) {
                m_partsUnread = m_partsUnread || read != S_FALSE;
                continue;
            }
            PartMap parts;
            if (!ParsePartFile(text, file, id.name, parts, error)) {
                Damaged(file, error);
                m_partsUnread = true;
                continue;
            }
            long line = 1;
            for (const auto& [number, part] : parts) {
                ++line;
                ++m_report.parts;
                const auto [first, added] = partitionOf.emplace(number, id.name);
                if (!added) {
                    Add(FindingSeverity::Error, "duplicate-part", file, line,
                        "part number " + number + " is also in part partition '" + first->second +
                            "'; a part number belongs to one partition");
                }
                CheckPart(file, line, part);
            }
        }
    }

    void CheckPart(const std::string& file, long line, const PartRecord& part) {
        const std::string who = "part type " + part.number;
        for (const std::string& name : part.cells) {
            const auto cell = m_cells.find(name);
            if (cell == m_cells.end()) {
                if (m_cellsUnread) continue;  // it may be in the catalog that could not be read
                Add(FindingSeverity::Error, "missing-cell", file, line, who + " uses cell " + name + ", which no cell partition holds");
                continue;
            }
            cell->second.used = true;
            for (const std::string& pin : part.pins) {
                if (!cell->second.pins.count(pin))
                    Add(FindingSeverity::Error, "missing-pin", file, line, who + " has pin " + pin + ", which its cell " + name + " does not have");
            }
        }
        for (const SymbolRef& ref : part.symbols) {
            const std::size_t colon = ref.itemSpec.find(':');
            const std::string key = colon == std::string::npos
                                        ? std::string()
                                        : LowerAscii(ref.itemSpec.substr(0, colon)) + ref.itemSpec.substr(colon);
            const auto symbol = m_symbols.find(key);
            if (symbol == m_symbols.end()) {
                Add(FindingSeverity::Error, "missing-symbol", file, line, who + " uses symbol " + ref.itemSpec + ", which the library does not have");
                continue;
            }
            symbol->second.used = true;
        }
    }

    // Partition files and folders that no partition of the configuration owns.
    void FindOrphans() {
        struct Folder {
            const char* name;
            std::vector<std::string_view> extensions;
        };
        const Folder folders[] = {{"PartsDBLibs", {".pdb"}}, {"CellDBLibs", {".cel", kCellCatalogExtension}}};
        for (const Folder& folder : folders) {
            std::vector<std::string> files;
            platform::ListFiles(m_folder + folder.name, files);
            for (const std::string& file : files) {
                for (const std::string_view extension : folder.extensions) {
                    if (!EndsWith(file, extension)) continue;
                    const std::string stem = file.substr(0, file.size() - extension.size());
                    const int type = folder.extensions.size() == 1 ? kPartitionTypePart : kPartitionTypeCell;
                    Orphan(type, stem, std::string(folder.name) + "\\" + file);
                }
            }
        }
        std::vector<std::string> symbolFolders;
        platform::ListFolders(m_folder + "SymbolLibs", symbolFolders);
        for (const std::string& name : symbolFolders) Orphan(kPartitionTypeSymbol, name, "SymbolLibs\\" + name);
    }

    void Orphan(int type, const std::string& name, const std::string& file) {
        if (m_owned.count(LowerAscii(RelativePartitionPath(type, name)))) return;
        Add(FindingSeverity::Error, "orphan-file", file, 0,
            "no " + KindName(type) + " partition '" + name + "' in " + m_qvmName + " owns it");
    }

    // Only when every part type was read: an unread part file may use them.
    void ReportUnused() {
        if (m_partsUnread) return;
        for (const auto& [name, cell] : m_cells) {
            if (cell.used) continue;
            for (const Place& place : cell.places)
                Add(FindingSeverity::Warning, "unused-cell", place.file, place.line,
                    "cell " + name + " of partition '" + place.partition + "' is used by no part type");
        }
        for (const auto& [key, symbol] : m_symbols) {
            if (!symbol.used)
                Add(FindingSeverity::Warning, "unused-symbol", symbol.file, 0, "symbol " + symbol.qualified + " is used by no part type");
        }
    }

    void CheckReservations() {
        const std::string name = m_stem + ".reservations";
        ReservationState state;
        std::string error;
        const HRESULT loaded = LoadReservations(m_folder + name, state, error);
        if (loaded == KELM_E_IO) Add(FindingSeverity::Error, "damaged-file", name, 0, "cannot be read: " + error);
        if (loaded == KELM_E_CORRUPT) Damaged(name, error);
        if (FAILED(loaded)) return;
        const std::string journal = ReservationJournalOf(name);
        for (std::size_t i = 0; i < state.reservations.size(); ++i) {
            const Reservation& reservation = state.reservations[i];
            const std::string& file = state.lines[i].inJournal ? journal : name;
            const long line = state.lines[i].line;
            const std::string what = "the reservation of " + reservation.partition;
            if (!m_owned.count(LowerAscii(reservation.partition))) {
                Add(FindingSeverity::Warning, "reservation", file, line,
                    what + " (held by " + reservation.holder + ") is stale: the library has no such partition");
            } else if (!KnownUser(reservation.holder)) {
                Add(FindingSeverity::Warning, "reservation", file, line,
                    what + " is held by '" + reservation.holder + "', who is not a known user");
            }
        }
    }

    bool KnownUser(const std::string& user) const {
        if (user.empty()) return false;
        if (m_options.knownUsers.empty()) return true;
        return std::any_of(m_options.knownUsers.begin(), m_options.knownUsers.end(),
                           [&](const std::string& known) { return EqualNoCase(known, user); });
    }

    void CheckLock() {
        const std::string name = m_stem + ".lock";
        LockHolder holder;
        if (!ReadLockHolder(m_folder + name, holder)) return;
        if (holder.host == platform::HostName() && !platform::IsProcessAlive(holder.pid, holder.time))
            Add(FindingSeverity::Warning, "stale-lock", name, 0,
                "the library lock was left by " + holder.Describe() + ", which no longer runs; the next session that writes takes it over");
    }

    struct Place {
        std::string file;
        long line = 0;
        std::string partition;
    };
    struct Cell {
        std::set<std::string> pins;  // of the first partition that holds it
        std::vector<Place> places;
        bool used = false;
    };
    struct Symbol {
        std::string qualified;
        std::string file;
        bool used = false;
    };

    std::string m_qvm, m_folder, m_stem, m_qvmName;
    const LibraryCheckOptions& m_options;
    LibraryCheckReport& m_report;
    LibraryConfig m_config;
    std::unordered_set<std::string> m_owned;  // relative partition paths, lower case
    std::map<std::string, Cell> m_cells;
    std::map<std::string, Symbol> m_symbols;  // lower-case partition ":" symbol
    bool m_partsUnread = false;
    bool m_cellsUnread = false;
};

}  // namespace

HRESULT CheckLibrary(const std::string& qvmPath, const LibraryCheckOptions& options, LibraryCheckReport& report) {
    report = LibraryCheckReport{};
    return Checker(qvmPath, options, report).Run();
}

}  // namespace kelm::store

std::size_t kelmapi::LibraryCheckReport::Count(FindingSeverity severity) const {
    return static_cast<std::size_t>(std::count_if(findings.begin(), findings.end(),
                                                  [&](const LibraryFinding& f) { return f.severity == severity; }));
}

// The Curator's flows over the library files: verify a library, refresh one
// partition, and the report each leaves beside the library.
#include "kelmapi/curator.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "platform/Files.h"
#include "store/file/LibraryLock.h"
#include "store/format/LibraryFiles.h"
#include "store/format/PartitionNames.h"
#include "store/items/KelmCell.h"
#include "store/items/KelmPart.h"
#include "store/items/KelmSchemePartition.h"
#include "store/items/KelmServer.h"
#include "store/items/KelmSymbol.h"
#include "store/items/StoreStatus.h"
#include "util/Paths.h"

namespace kelm::maintenance {
namespace {

using namespace store;

std::string Hex(HRESULT status) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(status));
    return text;
}

std::string StoreError(const KelmServer& server, HRESULT status) {
    const std::string text = server.LastErrorText();
    return text.empty() ? "store status " + Hex(status) : text;
}

// ---------------------------------------------------------------- verify
class Verifier {
public:
    explicit Verifier(const std::string& qvmFile) : m_qvmFile(qvmFile) {}

    // A failure when the library cannot be opened at all; an unreadable
    // configuration is a problem found.
    HRESULT Run(std::string& error) {
        if (const HRESULT started = m_server.Init(); FAILED(started)) {
            error = "the library store cannot be started";
            return started;
        }
        const HRESULT loaded = m_server.Load(m_qvmFile.c_str(), 1);
        if (loaded == KELM_E_CORRUPT) {
            Problem("unreadable file", m_server.LastErrorText());
            return S_OK;
        }
        if (FAILED(loaded)) {
            error = "cannot open library " + m_qvmFile + ": " + StoreError(m_server, loaded);
            return loaded;
        }
        ReadPartitions();
        CheckPartTypes();
        CheckSchemes();
        CheckDisk();
        CheckReservations();
        return S_OK;
    }

    const std::vector<std::string>& Problems() const { return m_problems; }

private:
    void Problem(const std::string& kind, const std::string& text) { m_problems.push_back(kind + ": " + text); }
    void Unreadable(HRESULT status) {
        Problem(status == KELM_E_CORRUPT ? "unreadable file" : "store error", StoreError(m_server, status));
    }

    void ReadPartitions() {
        KelmSchemePartition schemes(m_server);
        StringList all;
        const HRESULT listed = schemes.GetAllPartitions(all, 1);
        if (FAILED(listed)) return Unreadable(listed);
        for (const std::string& path : all) {
            PartitionId id;
            if (FAILED(ParsePartitionName(path, kPartitionTypeNone, id))) continue;
            m_configured.insert(LowerAscii(path));
            if (id.type == kPartitionTypeCell) ReadCells(path);
            if (id.type == kPartitionTypeSymbol) ReadSymbols(path, id.name);
            if (id.type == kPartitionTypePart) m_partPartitions.push_back(path);
        }
    }

    void ReadCells(const std::string& path) {
        KelmCell cells(m_server, nullptr, nullptr);
        StringList names;
        const HRESULT listed = cells.GetCellsInPartition(names, path);
        if (FAILED(listed)) return Unreadable(listed);
        for (const std::string& name : names) {
            CellRecord record;
            const HRESULT read = cells.GetRecord(name, path, record);
            if (FAILED(read)) {
                Unreadable(read);
                continue;
            }
            m_cellPins[name].push_back(record.pins.size());
        }
    }

    void ReadSymbols(const std::string& path, const std::string& partition) {
        KelmSymbol symbols(m_server, nullptr, nullptr, kPartitionTypeSymbol);
        StringList names;
        const HRESULT listed = symbols.GetSymbolsInPartition(names, path);
        if (FAILED(listed)) return Unreadable(listed);
        for (const std::string& qualified : names) {
            m_symbols.insert(LowerAscii(partition) + qualified.substr(qualified.find(':')));
            StringList pins;
            const HRESULT read = symbols.GetPinNames(pins, qualified);
            if (FAILED(read)) Unreadable(read);
        }
    }

    void CheckPartTypes() {
        KelmPart parts(m_server, nullptr);
        for (const std::string& path : m_partPartitions) {
            StringList numbers;
            const HRESULT listed = parts.GetPartsInPartition(numbers, path);
            if (FAILED(listed)) {
                Unreadable(listed);
                continue;
            }
            for (const std::string& number : numbers) {
                PartRecord record;
                const HRESULT read = parts.GetRecord(number, record);
                if (FAILED(read)) {
                    // The part index spans every part partition: one damaged
                    // file hides the records of all of them.
                    Problem("not checked", "part types of " + path + " (" + StoreError(m_server, read) + ")");
                    break;
                }
                CheckPartType(path, record);
            }
        }
    }

    void CheckPartType(const std::string& path, const PartRecord& part) {
        const std::string who = "part type " + part.number + " in " + path;
        std::vector<std::string> counts;
        bool pinsMatch = false;
        for (const std::string& cell : part.cells) {
            const auto found = m_cellPins.find(cell);
            if (found == m_cellPins.end()) {
                Problem("missing cell", who + " refers to cell " + cell + ", which no cell partition holds.");
                continue;
            }
            for (std::size_t pins : found->second) {
                if (pins == part.pins.size()) pinsMatch = true;
                counts.push_back(cell + " " + std::to_string(pins));
            }
        }
        if (!counts.empty() && !pinsMatch) {
            std::string list;
            for (const std::string& count : counts) list += (list.empty() ? "" : ", ") + count;
            Problem("pin count", who + " has " + std::to_string(part.pins.size()) +
                                     " pins, but none of its cells has that many (" + list + ").");
        }
        for (const SymbolRef& symbol : part.symbols) {
            const std::size_t colon = symbol.itemSpec.find(':');
            const std::string key = colon == std::string::npos
                                        ? std::string()
                                        : LowerAscii(symbol.itemSpec.substr(0, colon)) + symbol.itemSpec.substr(colon);
            if (!m_symbols.count(key))
                Problem("missing symbol", who + " refers to symbol " + symbol.itemSpec + ", which does not exist.");
        }
    }

    void CheckSchemes() {
        KelmSchemePartition schemes(m_server);
        StringList names;
        const HRESULT listed = schemes.GetSchemes(names);
        if (FAILED(listed)) return Unreadable(listed);
        for (const std::string& scheme : names) {
            StringList entries;
            const HRESULT read = schemes.GetSchemePartitionList(scheme, entries);
            if (FAILED(read)) {
                Unreadable(read);
                continue;
            }
            for (const std::string& entry : entries)
                if (!m_configured.count(LowerAscii(entry)))
                    Problem("missing partition",
                            "search scheme " + scheme + " lists " + entry + ", which is not a partition of the library.");
        }
    }

    // Partition files and folders below the library folder that the
    // configuration does not name.
    void CheckDisk() {
        namespace fs = std::filesystem;
        const fs::path folder = fs::path(platform::NativePath(GetPathFolder(m_qvmFile)).empty()
                                             ? std::string(".")
                                             : platform::NativePath(GetPathFolder(m_qvmFile)));
        std::set<std::string> onDisk;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(folder / "PartsDBLibs", ec))
            if (entry.is_regular_file() && entry.path().extension() == ".pdb")
                onDisk.insert("PartsDBLibs\\" + entry.path().stem().string() + ".pdb");
        for (const auto& entry : fs::directory_iterator(folder / "CellDBLibs", ec)) {
            const std::string extension = entry.path().extension().string();
            if (entry.is_regular_file() && (extension == ".cel" || extension == ".cells"))
                onDisk.insert("CellDBLibs\\" + entry.path().stem().string() + ".cel");
        }
        for (const auto& entry : fs::directory_iterator(folder / "SymbolLibs", ec))
            if (entry.is_directory()) onDisk.insert("SymbolLibs\\" + entry.path().filename().string());
        for (const std::string& path : onDisk)
            if (!m_configured.count(LowerAscii(path)))
                Problem("unlisted partition", path + " is on disk but not in the library configuration.");
    }

    void CheckReservations() {
        KelmSchemePartition schemes(m_server);
        std::vector<Reservation> reservations;
        const HRESULT read = schemes.GetReservations(reservations);
        if (FAILED(read)) Unreadable(read);
    }

    std::string m_qvmFile;
    KelmServer m_server{nullptr};
    std::vector<std::string> m_problems;
    std::set<std::string> m_configured;                          // relative paths, lower case
    std::map<std::string, std::vector<std::size_t>> m_cellPins;  // cell -> pin count per partition
    std::set<std::string> m_symbols;                             // partition (lower case):symbol
    std::vector<std::string> m_partPartitions;
};

}  // namespace
}  // namespace kelm::maintenance

namespace kelmapi {

using namespace kelm::store;
using kelm::maintenance::StoreError;

HRESULT RefreshPartition(const std::string& qvmPath, const std::string& partition, const std::string& kindWord,
                         RefreshResult& result, std::string& error) {
    int type = kPartitionTypeNone;  // no word: the partition must be a relative path
    if (!kindWord.empty()) {
        type = TypeOfKindWord(kindWord);
        if (type < 0) {
            error = "unknown object kind \"" + kindWord + "\" (symbols, cells or parts)";
            return KELM_E_BAD_ARGUMENT;
        }
    }
    PartitionId id;
    if (FAILED(ParsePartitionName(partition, type, id))) {
        error = "\"" + partition + "\" does not name a partition";
        return KELM_E_BAD_ARGUMENT;
    }
    result = RefreshResult{RelativePartitionPath(id.type, id.name), 0, {}};

    LibraryLock lock;
    std::string text;
    if (const HRESULT locked = lock.Acquire(LibraryLockFile(qvmPath), text); FAILED(locked)) {
        error = "cannot lock library " + qvmPath + ": " + text;
        return locked;
    }
    KelmServer server(nullptr);
    HRESULT status = server.Init();
    if (SUCCEEDED(status)) status = server.Load(qvmPath.c_str(), 1);
    if (FAILED(status)) {
        error = "cannot open library " + qvmPath + ": " + StoreError(server, status);
        return status;
    }
    KelmSchemePartition schemes(server);
    schemes.InitPartitionType(id.type);
    status = schemes.RefreshPartition(result.partition);
    if (status == KELM_E_CORRUPT) {
        error = result.partition + " cannot be read: " + server.LastErrorText();
        return status;
    }
    if (FAILED(status)) {
        error = "cannot refresh " + result.partition + ": " + StoreError(server, status);
        return status;
    }
    schemes.GetNumObjectsInPartition(result.partition, result.items);
    schemes.GetPartitionReservation(result.partition, result.holder);
    return S_OK;
}

HRESULT VerifyLibrary(const std::string& qvmPath, std::vector<std::string>& problems, std::string& error) {
    kelm::maintenance::Verifier verifier(qvmPath);
    const HRESULT status = verifier.Run(error);
    problems = verifier.Problems();
    return status;
}

bool WriteLibraryReport(const std::string& qvmPath, const std::string& name, const std::string& text,
                        std::string& reportPath) {
    std::string folder = kelm::GetPathFolder(qvmPath);
    kelm::AppendPathFolder(folder, "LogFiles");
    if (!kelm::PathExists(folder)) kelm::platform::CreateOneFolder(folder);
    reportPath = folder + kelm::GetPathTitle(qvmPath) + "." + name + ".txt";
    std::ofstream file(kelm::platform::NativePath(reportPath), std::ios::binary | std::ios::trunc);
    file << text;
    file.flush();
    return static_cast<bool>(file);
}

}  // namespace kelmapi

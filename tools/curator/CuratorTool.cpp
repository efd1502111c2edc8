#include "CuratorTool.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "platform/Files.h"
#include "store/items/KelmCell.h"
#include "store/items/KelmPart.h"
#include "store/items/KelmSchemePartition.h"
#include "store/items/KelmServer.h"
#include "store/items/KelmSymbol.h"
#include "store/file/LibraryLock.h"
#include "store/format/LibraryFiles.h"
#include "store/format/PartitionNames.h"
#include "store/items/StoreStatus.h"
#include "util/Paths.h"

namespace kelm::curator {
namespace {

constexpr const char* kUsage =
    "usage: CuratorCommand.exe -qvmfile=\"<library.qvm>\" -command=run -args=<flow>;\n"
    "       CuratorCommand.exe -qvmfile=\"<library.qvm>\" -command=refreshqvm "
    "-args=<partition>;;<symbols|cells|parts>;\n"
    "flows: verify\n";

bool TakeValue(const std::string& argument, const std::string& option, std::string& value) {
    if (argument.compare(0, option.size(), option) != 0) return false;
    value = argument.substr(option.size());
    return true;
}

std::string Hex(HRESULT status) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(status));
    return text;
}

std::string StoreError(const store::KelmServer& server, HRESULT status) {
    const std::string text = server.LastErrorText();
    return text.empty() ? "store status " + Hex(status) : text;
}

// ---------------------------------------------------------------- verify
class Verifier {
public:
    explicit Verifier(const std::string& qvmFile) : m_qvmFile(qvmFile) {}

    // kExitUsage when the library cannot be opened at all.
    int Run(std::ostream& err) {
        if (FAILED(m_server.Init())) {
            err << "CuratorCommand: the library store cannot be started\n";
            return kExitUsage;
        }
        const HRESULT loaded = m_server.Load(m_qvmFile.c_str(), 1);
        if (loaded == store::KELM_E_CORRUPT) {
            Problem("unreadable file", m_server.LastErrorText());
            return kExitProblems;
        }
        if (FAILED(loaded)) {
            err << "CuratorCommand: cannot open library " << m_qvmFile << ": " << StoreError(m_server, loaded) << "\n";
            return kExitUsage;
        }
        ReadPartitions();
        CheckPartTypes();
        CheckSchemes();
        CheckDisk();
        CheckReservations();
        return m_problems.empty() ? kExitClean : kExitProblems;
    }

    const std::vector<std::string>& Problems() const { return m_problems; }

private:
    void Problem(const std::string& kind, const std::string& text) { m_problems.push_back(kind + ": " + text); }
    void Unreadable(HRESULT status) {
        Problem(status == store::KELM_E_CORRUPT ? "unreadable file" : "store error", StoreError(m_server, status));
    }

    void ReadPartitions() {
        store::KelmSchemePartition schemes(m_server);
        StringList all;
        const HRESULT listed = schemes.GetAllPartitions(all, 1);
        if (FAILED(listed)) return Unreadable(listed);
        for (const std::string& path : all) {
            store::PartitionId id;
            if (FAILED(store::ParsePartitionName(path, store::kPartitionTypeNone, id))) continue;
            m_configured.insert(store::LowerAscii(path));
            if (id.type == store::kPartitionTypeCell) ReadCells(path);
            if (id.type == store::kPartitionTypeSymbol) ReadSymbols(path, id.name);
            if (id.type == store::kPartitionTypePart) m_partPartitions.push_back(path);
        }
    }

    void ReadCells(const std::string& path) {
        store::KelmCell cells(m_server, nullptr, nullptr);
        StringList names;
        const HRESULT listed = cells.GetCellsInPartition(names, path);
        if (FAILED(listed)) return Unreadable(listed);
        for (const std::string& name : names) {
            store::CellRecord record;
            const HRESULT read = cells.GetRecord(name, path, record);
            if (FAILED(read)) {
                Unreadable(read);
                continue;
            }
            m_cellPins[name].push_back(record.pins.size());
        }
    }

    void ReadSymbols(const std::string& path, const std::string& partition) {
        store::KelmSymbol symbols(m_server, nullptr, nullptr, store::kPartitionTypeSymbol);
        StringList names;
        const HRESULT listed = symbols.GetSymbolsInPartition(names, path);
        if (FAILED(listed)) return Unreadable(listed);
        for (const std::string& qualified : names) {
            m_symbols.insert(store::LowerAscii(partition) + qualified.substr(qualified.find(':')));
            StringList pins;
            const HRESULT read = symbols.GetPinNames(pins, qualified);
            if (FAILED(read)) Unreadable(read);
        }
    }

    void CheckPartTypes() {
        store::KelmPart parts(m_server, nullptr);
        for (const std::string& path : m_partPartitions) {
            StringList numbers;
            const HRESULT listed = parts.GetPartsInPartition(numbers, path);
            if (FAILED(listed)) {
                Unreadable(listed);
                continue;
            }
            for (const std::string& number : numbers) {
                store::PartRecord record;
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

    void CheckPartType(const std::string& path, const store::PartRecord& part) {
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
        for (const store::SymbolRef& symbol : part.symbols) {
            const std::size_t colon = symbol.itemSpec.find(':');
            const std::string key = colon == std::string::npos
                                        ? std::string()
                                        : store::LowerAscii(symbol.itemSpec.substr(0, colon)) + symbol.itemSpec.substr(colon);
            if (!m_symbols.count(key))
                Problem("missing symbol", who + " refers to symbol " + symbol.itemSpec + ", which does not exist.");
        }
    }

    void CheckSchemes() {
        store::KelmSchemePartition schemes(m_server);
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
                if (!m_configured.count(store::LowerAscii(entry)))
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
            if (!m_configured.count(store::LowerAscii(path)))
                Problem("unlisted partition", path + " is on disk but not in the library configuration.");
    }

    void CheckReservations() {
        store::KelmSchemePartition schemes(m_server);
        std::vector<store::Reservation> reservations;
        const HRESULT read = schemes.GetReservations(reservations);
        if (FAILED(read)) Unreadable(read);
    }

    std::string m_qvmFile;
    store::KelmServer m_server{nullptr};
    std::vector<std::string> m_problems;
    std::set<std::string> m_configured;                          // relative paths, lower case
    std::map<std::string, std::vector<std::size_t>> m_cellPins;  // cell -> pin count per partition
    std::set<std::string> m_symbols;                             // partition (lower case):symbol
    std::vector<std::string> m_partPartitions;
};

// LogFiles\<library title>.<flow>.txt beside the library, replaced on each run.
bool WriteReport(const std::string& qvmFile, const std::string& flow, const std::string& report,
                 std::string& reportPath) {
    std::string folder = GetPathFolder(qvmFile);
    AppendPathFolder(folder, "LogFiles");
    if (!PathExists(folder)) platform::CreateOneFolder(folder);
    reportPath = folder + GetPathTitle(qvmFile) + "." + flow + ".txt";
    std::ofstream file(platform::NativePath(reportPath), std::ios::binary | std::ios::trunc);
    file << report;
    file.flush();
    return static_cast<bool>(file);
}

}  // namespace

bool ParseCommandLine(const std::vector<std::string>& arguments, Request& request, std::string& error) {
    bool haveFile = false, haveCommand = false, haveArgs = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        std::string value;
        if (TakeValue(argument, "-args=", value)) {
            // Everything that follows belongs to the arguments.
            for (++i; i < arguments.size(); ++i) value += " " + arguments[i];
            request.args = value;
            haveArgs = true;
        } else if (TakeValue(argument, "-qvmfile=", value)) {
            request.qvmFile = value;
            haveFile = true;
        } else if (TakeValue(argument, "-command=", value)) {
            request.command = value;
            haveCommand = true;
        } else {
            error = "unknown argument \"" + argument + "\"";
            return false;
        }
    }
    if (!haveFile || request.qvmFile.empty()) error = "no library file (-qvmfile=\"<library.qvm>\")";
    else if (!haveCommand) error = "no command (-command=run or -command=refreshqvm)";
    else if (request.command != "run" && request.command != "refreshqvm")
        error = "unknown command \"" + request.command + "\"";
    else if (!haveArgs) error = "no arguments (-args=...)";
    else if (request.args.empty() || request.args.back() != ';') error = "the arguments must end in ';'";
    return error.empty();
}

int RunTool(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    Request request;
    std::string error;
    if (!ParseCommandLine(arguments, request, error)) {
        err << "CuratorCommand: " << error << "\n" << kUsage;
        return kExitUsage;
    }
    const std::string fields = request.args.substr(0, request.args.size() - 1);  // without the last ';'
    if (request.command == "run") {
        if (fields == "verify") return VerifyFlow(request.qvmFile, out, err);
        err << "CuratorCommand: unknown flow \"" << fields << "\" (known flows: verify)\n";
        return kExitUsage;
    }
    // <partition>;<always empty>;<kind word>
    const std::size_t first = fields.find(';');
    const std::size_t second = first == std::string::npos ? first : fields.find(';', first + 1);
    if (second == std::string::npos || fields.find(';', second + 1) != std::string::npos) {
        err << "CuratorCommand: refreshqvm takes -args=<partition>;;<symbols|cells|parts>;\n";
        return kExitUsage;
    }
    return RefreshPartitionFlow(request.qvmFile, fields.substr(0, first), fields.substr(second + 1), out, err);
}

int RefreshPartitionFlow(const std::string& qvmFile, const std::string& partition, const std::string& kindWord,
                         std::ostream& out, std::ostream& err) {
    int type = store::kPartitionTypeNone;  // no word: the partition must be a relative path
    if (!kindWord.empty()) {
        type = store::TypeOfKindWord(kindWord);
        if (type < 0) {
            err << "CuratorCommand: unknown object kind \"" << kindWord << "\" (symbols, cells or parts)\n";
            return kExitUsage;
        }
    }
    store::PartitionId id;
    if (FAILED(store::ParsePartitionName(partition, type, id))) {
        err << "CuratorCommand: \"" << partition << "\" does not name a partition\n";
        return kExitUsage;
    }
    const std::string relative = store::RelativePartitionPath(id.type, id.name);

    store::LibraryLock lock;
    std::string error;
    const HRESULT locked =
        lock.Acquire(store::LibraryLockFile(qvmFile), error);
    if (FAILED(locked)) {
        err << "CuratorCommand: cannot lock library " << qvmFile << ": " << error << "\n";
        return kExitUsage;
    }
    store::KelmServer server(nullptr);
    HRESULT status = server.Init();
    if (SUCCEEDED(status)) status = server.Load(qvmFile.c_str(), 1);
    if (FAILED(status)) {
        err << "CuratorCommand: cannot open library " << qvmFile << ": " << StoreError(server, status) << "\n";
        return kExitUsage;
    }
    store::KelmSchemePartition schemes(server);
    schemes.InitPartitionType(id.type);
    status = schemes.RefreshPartition(relative);
    if (status == store::KELM_E_CORRUPT) {
        err << "CuratorCommand: " << relative << " cannot be read: " << server.LastErrorText() << "\n";
        return kExitProblems;
    }
    if (FAILED(status)) {
        err << "CuratorCommand: cannot refresh " << relative << ": " << StoreError(server, status) << "\n";
        return kExitUsage;
    }
    int count = 0;
    std::string holder;
    schemes.GetNumObjectsInPartition(relative, count);
    schemes.GetPartitionReservation(relative, holder);
    const std::string report = "Refreshed " + relative + ": " + std::to_string(count) +
                               (count == 1 ? " item" : " items") +
                               (holder.empty() ? std::string(", not reserved") : ", reserved by " + holder) + ".\n";
    out << report;
    std::string reportPath;
    if (!WriteReport(qvmFile, "refresh", report, reportPath)) {
        err << "CuratorCommand: cannot write the report " << reportPath << "\n";
        return kExitUsage;
    }
    return kExitClean;
}

int VerifyFlow(const std::string& qvmFile, std::ostream& out, std::ostream& err) {
    Verifier verifier(qvmFile);
    const int result = verifier.Run(err);
    if (result == kExitUsage) return result;
    std::string report = "Verify " + qvmFile + "\n";
    for (const std::string& problem : verifier.Problems()) report += problem + "\n";
    const std::size_t count = verifier.Problems().size();
    report += count == 0 ? std::string("No problems found.\n")
                         : std::to_string(count) + (count == 1 ? " problem found.\n" : " problems found.\n");
    out << report;
    std::string reportPath;
    if (!WriteReport(qvmFile, "verify", report, reportPath)) {
        err << "CuratorCommand: cannot write the report " << reportPath << "\n";
        return kExitUsage;
    }
    return result;
}

}  // namespace kelm::curator

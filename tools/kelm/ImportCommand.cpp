// kelm import parts|cells FILE: batch import through AddItemToQVM_Part and
// AddItemToQVM_Cell, then SaveQVM. Rows that cannot be read or imported are
// reported with their line numbers and skipped (the first one stops the run
// with --strict); names the component adjusts are counted from the warnings
// it writes to the library's operation log.
#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "CommandSupport.h"
#include "ImportRecords.h"
#include "ProgressBar.h"
#include "StatusText.h"
#include "platform/Terminal.h"
#include "store/items/StoreStatus.h"

namespace kelmcli {
namespace {

using kelm::store::KELM_E_NOT_RESERVED;
using kelm::store::KELM_E_RESERVED_BY_OTHER;

struct ImportOptions {
    std::string file;
    std::string format;  // empty: by the file's extension
    std::string partition;
    bool reserve = false;
    bool overwrite = false;
    bool strict = false;
    long saveEvery = 0;
};

struct RowFailure {
    long line = 0;
    std::string item;
    std::string reason;
    std::optional<HRESULT> status;
};

// The lines the component appends to the library's operation log during the
// run.
class LogWatch {
public:
    explicit LogWatch(const std::string& library)
        : m_path((std::filesystem::path(library).parent_path() / "LogFiles" / "QuorKelm.log").string()) {
        m_start = Size();
    }
    const std::string& Path() const { return m_path; }
    std::uintmax_t Size() const {
        std::error_code error;
        const auto size = std::filesystem::file_size(m_path, error);
        return error ? 0 : size;
    }
    std::uintmax_t Start() const { return m_start; }
    std::vector<std::string> LinesSince(std::uintmax_t offset) const {
        std::vector<std::string> lines;
        std::ifstream in(m_path, std::ios::binary);
        if (!in) return lines;
        in.seekg(static_cast<std::streamoff>(offset));
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty()) lines.push_back(line);
        }
        return lines;
    }

private:
    std::string m_path;
    std::uintmax_t m_start = 0;
};

// The message of a log line: what follows the operation's name.
std::string LogMessage(const std::string& line, const std::string& tag) {
    std::size_t at = line.find(tag);
    if (at == std::string::npos) return line;
    at = line.find_first_not_of(' ', at + tag.size());
    return at == std::string::npos ? line : line.substr(at);
}

bool SameUser(std::string a, std::string b) {
    auto lower = [](std::string& s) {
        std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    };
    lower(a);
    lower(b);
    return a == b;
}

bool ReadWholeFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return true;
}

// Reserved partitions given back when the run ends, however it ends.
class Reservations {
public:
    Reservations(KelmClient& kelm, KelmEnum_ObjType kind) : m_kelm(kelm), m_kind(kind) {}
    Reservations(const Reservations&) = delete;
    Reservations& operator=(const Reservations&) = delete;
    ~Reservations() {
        for (const auto& partition : m_taken) m_kelm.UnReservePartition(partition, m_kind);
    }
    void Taken(const std::string& partition) { m_taken.push_back(partition); }

private:
    KelmClient& m_kelm;
    KelmEnum_ObjType m_kind;
    std::vector<std::string> m_taken;
};

template <typename Row>
struct Batch {
    const char* noun;    // "part types", "cells"
    const char* tag;     // the method, as the log names it
    KelmEnum_ObjType kind;
};

template <typename Row, typename ItemOf, typename Add>
int RunImport(Context& context, const ImportOptions& o, const Batch<Row>& batch,
              std::vector<Row> (*read)(std::string_view, FileFormat, std::string&), ItemOf itemOf, Add add) {
    Output& out = context.Out();
    std::string text;
    if (!ReadWholeFile(o.file, text)) {
        return out.Failure(kelm::store::KELM_E_IO, "cannot read '" + o.file + "'", "check the file name");
    }
    const FileFormat format = o.format.empty() ? GuessFormat(o.file)
                                               : (o.format == "csv" ? FileFormat::Csv : FileFormat::JsonLines);
    std::string fileError;
    std::vector<Row> rows = read(text, format, fileError);
    if (!fileError.empty()) return out.Usage("'" + o.file + "': " + fileError);

    // The partition of each row, and the partitions of the run.
    std::set<std::string> partitions;
    for (auto& row : rows) {
        if (!o.partition.empty()) row.partition = o.partition;
        if (row.error.empty() && row.partition.empty()) row.error = "no partition (give --partition or a partition column)";
        if (row.error.empty()) partitions.insert(row.partition);
    }

    if (const int code = context.OpenLibrary(Access::Edit)) return code;
    KelmClient& kelm = context.Kelm();
    const std::string user = context.UserName().empty() ? "KelmAPI" : context.UserName();
    Reservations reservations(kelm, batch.kind);
    const std::string kindWord = KindWord(batch.kind);
    for (const auto& partition : partitions) {
        std::string holder;
        const HRESULT hr = kelm.GetPartitionReservation(partition, batch.kind, holder);
        if (FAILED(hr)) return out.Failure(hr, "cannot read the reservation of " + kindWord + " partition '" + partition + "'");
        if (holder.empty() && o.reserve) {
            const HRESULT reserved = kelm.ReservePartition(partition, batch.kind);
            if (FAILED(reserved)) return out.Failure(reserved, "cannot reserve " + kindWord + " partition '" + partition + "'");
            reservations.Taken(partition);
        } else if (holder.empty()) {
            return out.Failure(KELM_E_NOT_RESERVED, kindWord + " partition '" + partition + "' is not reserved",
                               "reserve it first (kelm reserve " + partition + " --kind " + kindWord +
                                   ") or pass --reserve");
        } else if (!SameUser(holder, user)) {
            return out.Failure(KELM_E_RESERVED_BY_OTHER,
                               kindWord + " partition '" + partition + "' is reserved by '" + holder + "'",
                               "ask " + holder + " to release it, or wait; nothing was imported");
        }
    }

    LogWatch log(context.Options().library);
    const std::int32_t now = static_cast<std::int32_t>(std::time(nullptr));
    const bool bar = !out.Quiet() && !out.Json() && kelm::platform::IsTerminal(stderr);
    ProgressBar progress(out.Err(), rows.size(), bar);
    std::vector<RowFailure> failures;
    long imported = 0;
    long sinceSave = 0;
    bool stopped = false;
    for (std::size_t i = 0; i < rows.size() && !stopped; ++i) {
        Row& row = rows[i];
        if (!row.error.empty()) {
            failures.push_back({row.line, itemOf(row), row.error, std::nullopt});
        } else {
            const std::uintmax_t before = log.Size();
            const HRESULT hr = add(kelm, row, now);
            if (FAILED(hr)) {
                std::string reason;
                for (const auto& line : log.LinesSince(before)) {
                    if (line.find("(ERROR)") != std::string::npos) reason = LogMessage(line, batch.tag);
                }
                if (reason.empty()) reason = HintFor(hr);
                failures.push_back({row.line, itemOf(row), reason, hr});
            } else {
                ++imported;
                if (o.saveEvery > 0 && ++sinceSave >= o.saveEvery) {
                    const HRESULT saved = kelm.SaveQVM();
                    if (FAILED(saved)) {
                        progress.Finish();
                        return out.Failure(saved, "cannot save the library after " + std::to_string(imported) + " " + batch.noun);
                    }
                    sinceSave = 0;
                }
            }
        }
        if (o.strict && !failures.empty()) stopped = true;
        progress.Update(i + 1);
    }
    progress.Finish();

    bool saved = false;
    if (!stopped && imported > 0) {
        const std::uintmax_t before = log.Size();
        const HRESULT hr = kelm.SaveQVM();
        if (FAILED(hr)) {
            // The session logs why the store refused (for a collision: each item and where it lives).
            std::string reason;
            for (const auto& line : log.LinesSince(before))
                if (line.find("(ERROR)") != std::string::npos) reason = ": " + LogMessage(line, "SaveQVM");
            return out.Failure(hr, "imported " + std::to_string(imported) + " " + batch.noun + " but cannot save the library" + reason,
                               "nothing was written; run the import again");
        }
        saved = true;
    }

    std::vector<std::string> adjusted;
    for (const auto& line : log.LinesSince(log.Start())) {
        if (line.find("(WARNING)") != std::string::npos && line.find("Adjusting") != std::string::npos) {
            adjusted.push_back(LogMessage(line, batch.tag));
        }
    }

    Json document = {{"file", o.file},
                     {"kind", kindWord},
                     {"rows", rows.size()},
                     {"imported", imported},
                     {"adjusted", adjusted.size()},
                     {"adjustments", adjusted},
                     {"failed", failures.size()},
                     {"failures", Json::array()},
                     {"saved", saved},
                     {"stopped", stopped},
                     {"log", log.Path()}};
    std::vector<std::string> lines;
    lines.push_back("Imported " + std::to_string(imported) + " of " + std::to_string(rows.size()) + " " + batch.noun +
                    " from " + o.file + (saved ? " (library saved)" : " (library not saved)") + ".");
    lines.push_back("Adjusted names: " + std::to_string(adjusted.size()));
    for (const auto& adjustment : adjusted) lines.push_back("  " + adjustment);
    lines.push_back("Failed: " + std::to_string(failures.size()) + (stopped ? " (stopped at the first, --strict)" : ""));
    for (const auto& failure : failures) {
        Json entry = {{"line", failure.line}, {"item", failure.item}, {"reason", failure.reason}};
        std::string line = "  line " + std::to_string(failure.line);
        if (!failure.item.empty()) line += " (" + failure.item + ")";
        if (failure.status) {
            entry["status"] = HexStatus(*failure.status);
            entry["name"] = StatusNameOf(*failure.status);
            line += ": " + DescribeStatus(*failure.status);
        }
        line += ": " + failure.reason;
        document["failures"].push_back(entry);
        lines.push_back(line);
    }
    lines.push_back("Log: " + log.Path());
    out.Result(document, lines);
    return failures.empty() ? kExitOk : kExitFailure;
}

int ImportParts(Context& context, const ImportOptions& o) {
    RecordTypes types;
    const HRESULT hr = types.Load();
    if (FAILED(hr)) return context.Out().Failure(hr, "cannot find the record types of the KelmAPI type library");
    PartRecord record;
    return RunImport<PartRow>(
        context, o, Batch<PartRow>{"part types", "AddItemToQVM_Part", KelmEnum_ObjType_PartType}, ReadPartRows,
        [](const PartRow& row) { return row.number; },
        [&](KelmClient& kelm, const PartRow& row, std::int32_t now) {
            const HRESULT built = record.Build(row, now, types);
            if (FAILED(built)) return built;
            return kelm.AddItemToQVMPart(row.partition, record.Get(), o.overwrite);
        });
}

int ImportCells(Context& context, const ImportOptions& o) {
    CellRecord record;
    return RunImport<CellRow>(
        context, o, Batch<CellRow>{"cells", "AddItemToQVM_Cell", KelmEnum_ObjType_Cell}, ReadCellRows,
        [](const CellRow& row) { return row.name; },
        [&](KelmClient& kelm, const CellRow& row, std::int32_t now) {
            const HRESULT built = record.Build(row, row.partition, now);
            if (FAILED(built)) return built;
            return kelm.AddItemToQVMCell(row.partition, record.Get(), o.overwrite);
        });
}

void AddImportOptions(CLI::App& command, ImportOptions& o) {
    command.add_option("file", o.file, "CSV file with a header row, or JSON Lines file (columns: docs/kelm.md)")
        ->required();
    command.add_option("--format", o.format, "csv or jsonl (default: by extension: .jsonl/.ndjson/.json, else csv)")
        ->check(CLI::IsMember({"csv", "jsonl"}));
    command.add_option("-p,--partition", o.partition, "target partition for every row (default: the partition column)");
    command.add_flag("--reserve", o.reserve, "reserve free partitions for the run and give them back after");
    command.add_flag("--overwrite", o.overwrite, "replace items that exist");
    command.add_flag("--strict", o.strict, "stop at the first bad row and save nothing more");
    command.add_option("--save-every", o.saveEvery, "save after every N imported items (default: only at the end)")
        ->check(CLI::NonNegativeNumber);
}

}  // namespace

void AddImportCommands(CLI::App& app, Context& context) {
    auto* import = app.add_subcommand("import", "Batch import from CSV or JSON Lines (methods AddItemToQVM_Part, "
                                                "AddItemToQVM_Cell, SaveQVM)");
    import->require_subcommand(1);
    import->group("Import and export");
    auto parts = std::make_shared<ImportOptions>();
    auto* p = AddMethodCommand(*import, "parts", "Import part types; saves at the end", "AddItemToQVM_Part");
    AddImportOptions(*p, *parts);
    BindAction(p, context, parts, ImportParts, "import parts");
    auto cells = std::make_shared<ImportOptions>();
    auto* c = AddMethodCommand(*import, "cells", "Import cells; pins and padstacks come from the cell file when it "
                                                 "holds the cell; saves at the end", "AddItemToQVM_Cell");
    AddImportOptions(*c, *cells);
    BindAction(c, context, cells, ImportCells, "import cells");
}

}  // namespace kelmcli

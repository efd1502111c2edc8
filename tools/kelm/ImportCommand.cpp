// kelm import parts|cells FILE: batch import through AddItemToQVM_Part and
// AddItemToQVM_Cell, then SaveQVM. Every row either imports or is reported
// with its line number and reason: a row that cannot be read, a partition
// the library does not have, a refusal of the component, and an import
// during which the component logged an error (the item may then be in the
// library without what failed). The counts of the summary are those of the
// library's operation log. A dry run checks every row against the library
// through read-only methods and writes nothing, not even the log.
#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "CommandSupport.h"
#include "ImportChecks.h"
#include "ImportRecords.h"
#include "ProgressBar.h"
#include "TextEncoding.h"
#include "StatusText.h"
#include "kelmapi/tooling.h"

namespace kelmcli {
namespace {


struct ImportOptions {
    std::string file;
    std::string format;  // empty: by the file's extension
    std::string encoding = "utf-8";
    std::string delimiter;  // empty: from the header line
    std::string partition;
    bool reserve = false;
    bool overwrite = false;
    bool strict = false;
    bool dryRun = false;
    bool multiline = false;
    long saveEvery = 0;
};

struct RowFailure {
    long line = 0;
    std::string item;
    std::string reason;
    std::optional<HRESULT> status;
    bool added = false;  // the component added the item, with errors
};

struct RowWarning {
    long line = 0;
    std::string item;
    std::string text;
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
    if (at != std::string::npos && line.compare(at, 2, "- ") == 0) at += 2;
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
    const char* noun;  // "part types", "cells"
    const char* tag;   // the method, as the log names it
    KelmEnum_ObjType kind;
};

// The file's rows, decoded and read; a failure's exit code, or 0.
template <typename Row>
int ReadRows(Output& out, const ImportOptions& o, std::vector<Row> (*read)(std::string_view, FileFormat, std::string&, const CsvOptions&),
             std::vector<Row>& rows) {
    Encoding encoding = Encoding::Utf8;
    if (!ParseEncoding(o.encoding, encoding)) {
        return out.Usage("unknown encoding '" + o.encoding + "' (--encoding " + EncodingNames() + ")");
    }
    CsvOptions csv;
    csv.multiline = o.multiline;
    if (o.delimiter == "," || o.delimiter == ";") csv.delimiter = o.delimiter[0];
    else if (o.delimiter == "tab" || o.delimiter == "\t" || o.delimiter == "\\t") csv.delimiter = '\t';
    else if (!o.delimiter.empty()) return out.Usage("unknown delimiter '" + o.delimiter + "' (--delimiter ',', ';' or tab)");
    std::string bytes, text, error;
    if (!ReadWholeFile(o.file, bytes)) {
        return out.Failure(KELM_E_IO, "cannot read '" + o.file + "'", "check the file name");
    }
    if (!DecodeToUtf8(bytes, encoding, text, error)) return out.Usage("'" + o.file + "', " + error + "; nothing was imported");
    const FileFormat format = o.format.empty() ? GuessFormat(o.file)
                                               : (o.format == "csv" ? FileFormat::Csv : FileFormat::JsonLines);
    rows = read(text, format, error, csv);
    if (!error.empty()) return out.Usage("'" + o.file + "': " + error);
    return kExitOk;
}

// Checks the partitions of the run: reserves free ones with --reserve,
// refuses the run for one that is not the user's, and fails the rows of
// partitions the library does not have. A failure's exit code, or 0.
template <typename Row>
int CheckPartitions(Context& context, const ImportOptions& o, KelmEnum_ObjType kind, std::vector<Row>& rows,
                    Reservations& reservations) {
    Output& out = context.Out();
    KelmClient& kelm = context.Kelm();
    const std::string kindWord = KindWord(kind);
    const std::string user = context.UserName().empty() ? "KelmAPI" : context.UserName();
    std::set<std::string> partitions, missing;
    for (const auto& row : rows) {
        if (row.error.empty()) partitions.insert(row.partition);
    }
    for (const auto& partition : partitions) {
        std::string holder;
        const HRESULT hr = kelm.GetPartitionReservation(partition, kind, holder);
        if (hr == KELM_E_NO_SUCH_PARTITION && o.partition.empty()) {
            missing.insert(partition);
        } else if (FAILED(hr)) {
            return out.Failure(hr, "cannot read the reservation of " + kindWord + " partition '" + partition + "'",
                               hr == KELM_E_NO_SUCH_PARTITION
                                   ? "check the name (kelm partitions --kind " + kindWord + "); nothing was imported"
                                   : std::string());
        } else if (holder.empty() && o.reserve) {
            if (o.dryRun) continue;  // the real run would reserve it
            const HRESULT reserved = kelm.ReservePartition(partition, kind);
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
    for (auto& row : rows) {
        if (row.error.empty() && missing.count(row.partition)) {
            row.error = "no " + kindWord + " partition '" + row.partition + "' in the library";
        }
    }
    return kExitOk;
}

template <typename Row, typename ItemOf, typename Add, typename Refusal, typename Remarks>
int RunImport(Context& context, const ImportOptions& o, const Batch<Row>& batch,
              std::vector<Row> (*read)(std::string_view, FileFormat, std::string&, const CsvOptions&), ItemOf itemOf, Add add,
              Refusal refusal, Remarks remarks) {
    Output& out = context.Out();
    std::vector<Row> rows;
    if (const int code = ReadRows(out, o, read, rows)) return code;
    for (auto& row : rows) {
        if (!o.partition.empty()) row.partition = o.partition;
        if (row.error.empty() && row.partition.empty()) row.error = "no partition (give --partition or a partition column)";
    }

    if (const int code = context.OpenLibrary(o.dryRun ? Access::Read : Access::Edit)) return code;
    KelmClient& kelm = context.Kelm();
    Reservations reservations(kelm, batch.kind);
    if (const int code = CheckPartitions(context, o, batch.kind, rows, reservations)) return code;

    const std::string& library = context.Options().library;
    ImportChecks checks(kelm, std::filesystem::path(library).parent_path().string());
    LogWatch log(library);
    const std::int32_t now = static_cast<std::int32_t>(std::time(nullptr));
    const bool bar = !out.Quiet() && !out.Json() && kelmapi::IsTerminal(stderr);
    ProgressBar progress(out.Err(), rows.size(), bar);
    std::vector<RowFailure> failures;
    std::vector<RowWarning> warnings;
    long imported = 0;
    long sinceSave = 0;
    bool stopped = false;
    for (std::size_t i = 0; i < rows.size() && !stopped; ++i) {
        Row& row = rows[i];
        if (!row.error.empty()) {
            failures.push_back({row.line, itemOf(row), row.error, std::nullopt});
        } else if (o.dryRun) {
            if (const auto reason = refusal(checks, row)) failures.push_back({row.line, itemOf(row), *reason, std::nullopt});
            else ++imported;
        } else {
            const std::uintmax_t before = log.Size();
            const HRESULT hr = add(kelm, row, now);
            std::string error;
            if (log.Size() != before) {
                for (const auto& line : log.LinesSince(before)) {
                    if (line.find("(ERROR)") != std::string::npos && error.empty()) error = LogMessage(line, batch.tag);
                }
            }
            if (FAILED(hr)) {
                failures.push_back({row.line, itemOf(row), error.empty() ? HintFor(hr) : error, hr});
            } else if (!error.empty()) {
                failures.push_back({row.line, itemOf(row), "added with errors: " + error, std::nullopt, true});
            } else {
                ++imported;
            }
            if (SUCCEEDED(hr) && o.saveEvery > 0 && ++sinceSave >= o.saveEvery) {
                const HRESULT saved = kelm.SaveQVM();
                if (FAILED(saved)) {
                    progress.Finish();
                    return out.Failure(saved, "cannot save the library after " + std::to_string(imported) + " " + batch.noun);
                }
                sinceSave = 0;
            }
        }
        if (row.error.empty()) {
            for (auto& text : remarks(checks, row)) warnings.push_back({row.line, itemOf(row), std::move(text)});
        }
        if (o.strict && !failures.empty()) stopped = true;
        progress.Update(i + 1);
    }
    progress.Finish();

    bool saved = false;
    const long added = imported + static_cast<long>(std::count_if(failures.begin(), failures.end(),
                                                                   [](const RowFailure& f) { return f.added; }));
    if (!o.dryRun && !stopped && added > 0) {
        const std::uintmax_t before = log.Size();
        const HRESULT hr = kelm.SaveQVM();
        if (FAILED(hr)) {
            // The session logs why the store refused (for a collision: each item and where it lives).
            std::string reason;
            for (const auto& line : log.LinesSince(before))
                if (line.find("(ERROR)") != std::string::npos) reason = ": " + LogMessage(line, "SaveQVM");
            return out.Failure(hr, "imported " + std::to_string(added) + " " + batch.noun + " but cannot save the library" + reason,
                               "nothing was written; run the import again");
        }
        saved = true;
    }

    std::vector<std::string> adjusted;
    if (!o.dryRun) {
        for (const auto& line : log.LinesSince(log.Start())) {
            if (line.find("(WARNING)") != std::string::npos && line.find("Adjusting") != std::string::npos) {
                adjusted.push_back(LogMessage(line, batch.tag));
            }
        }
    }

    Json document = {{"file", o.file},
                     {"kind", KindWord(batch.kind)},
                     {"dry_run", o.dryRun},
                     {"rows", rows.size()},
                     {"imported", imported},
                     {"adjusted", adjusted.size()},
                     {"adjustments", adjusted},
                     {"failed", failures.size()},
                     {"failures", Json::array()},
                     {"warnings", Json::array()},
                     {"saved", saved},
                     {"stopped", stopped},
                     {"log", log.Path()}};
    std::vector<std::string> lines;
    if (o.dryRun) {
        lines.push_back("Dry run: " + std::to_string(imported) + " of " + std::to_string(rows.size()) + " " +
                        batch.noun + " from " + o.file + " would be imported; nothing was written.");
    } else {
        lines.push_back("Imported " + std::to_string(imported) + " of " + std::to_string(rows.size()) + " " +
                        batch.noun + " from " + o.file + (saved ? " (library saved)" : " (library not saved)") + ".");
        lines.push_back("Adjusted names: " + std::to_string(adjusted.size()));
        for (const auto& adjustment : adjusted) lines.push_back("  " + adjustment);
    }
    lines.push_back("Failed: " + std::to_string(failures.size()) + (stopped ? " (stopped at the first, --strict)" : ""));
    auto where = [](long line, const std::string& item) {
        return "  line " + std::to_string(line) + (item.empty() ? std::string() : " (" + item + ")");
    };
    for (const auto& failure : failures) {
        Json entry = {{"line", failure.line}, {"item", failure.item}, {"reason", failure.reason}, {"added", failure.added}};
        std::string line = where(failure.line, failure.item);
        if (failure.status) {
            entry["status"] = HexStatus(*failure.status);
            entry["name"] = StatusNameOf(*failure.status);
            line += ": " + DescribeStatus(*failure.status);
        }
        line += ": " + failure.reason;
        document["failures"].push_back(entry);
        lines.push_back(line);
    }
    if (!warnings.empty()) lines.push_back("Warnings: " + std::to_string(warnings.size()));
    for (const auto& warning : warnings) {
        document["warnings"].push_back({{"line", warning.line}, {"item", warning.item}, {"text", warning.text}});
        lines.push_back(where(warning.line, warning.item) + ": " + warning.text);
    }
    if (!o.dryRun) lines.push_back("Log: " + log.Path());
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
        },
        [&](ImportChecks& checks, const PartRow& row) { return checks.RefusalOf(row, o.overwrite); },
        [](ImportChecks& checks, const PartRow& row) { return checks.MissingReferences(row); });
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
        },
        [&](ImportChecks& checks, const CellRow& row) { return checks.RefusalOf(row, o.overwrite); },
        [](ImportChecks&, const CellRow&) { return std::vector<std::string>{}; });
}

void AddImportOptions(CLI::App& command, ImportOptions& o) {
    command.add_option("file", o.file, "CSV file with a header row, or JSON Lines file (columns: docs/kelm.md)")
        ->required();
    command.add_option("--format", o.format, "csv or jsonl (default: by extension: .jsonl/.ndjson/.json, else csv)")
        ->check(CLI::IsMember({"csv", "jsonl"}));
    command.add_option("--encoding", o.encoding,
                       std::string("the file's encoding: ") + EncodingNames() +
                           " (default utf-8; a file that is not UTF-8 is refused)");
    command.add_option("--delimiter", o.delimiter, "CSV delimiter: ',', ';' or tab (default: from the header line)");
    command.add_flag("--multiline", o.multiline,
                     "quoted CSV fields may hold line breaks (without, one is taken for a stray quote)");
    command.add_option("-p,--partition", o.partition, "target partition for every row (default: the partition column)");
    command.add_flag("--reserve", o.reserve, "reserve free partitions for the run and give them back after");
    command.add_flag("--overwrite", o.overwrite, "replace items that exist");
    command.add_flag("--strict", o.strict, "stop at the first bad row and save nothing more");
    command.add_flag("--dry-run", o.dryRun, "check every row against the library and write nothing");
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

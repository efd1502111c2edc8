// kelm export PARTITION --kind part|cell: writes a partition's items in the
// format that import reads, so that a library round-trips. IKelm has no way
// to read whole records, so export reads them through kelmapi::LibraryReader
// (read-only), not through the interface.
#include <fstream>
#include <sstream>

#include "CommandSupport.h"
#include "Csv.h"
#include "ListNotation.h"
#include "StatusText.h"
#include "kelmapi/library.h"

namespace kelmcli {
namespace {

using namespace kelmapi;

struct ExportOptions {
    std::string partition;
    std::string kind;
    std::string format = "csv";
    std::string output;
};

std::vector<std::string> PartFields(const PartTypeRecord& r, const std::string& partition) {
    std::vector<Ref> cells;
    for (const auto& cell : r.cells) cells.push_back(Ref{cell, std::nullopt});
    std::vector<Ref> symbols;
    for (const auto& symbol : r.symbols) {
        symbols.push_back(Ref{symbol.itemSpec, symbol.pins.empty() ? std::nullopt : std::optional(symbol.pins)});
    }
    return {partition, r.number, r.name, r.label, r.type, r.description, std::to_string(r.timestamp),
            JoinList(r.pins, ','), FormatRefs(cells), FormatRefs(symbols)};
}

Json PartJson(const PartTypeRecord& r, const std::string& partition) {
    Json symbols = Json::array();
    for (const auto& symbol : r.symbols) symbols.push_back({{"spec", symbol.itemSpec}, {"pins", symbol.pins}});
    return {{"partition", partition}, {"number", r.number},   {"name", r.name},
            {"label", r.label},       {"type", r.type},       {"description", r.description},
            {"timestamp", r.timestamp}, {"pins", r.pins},     {"cells", r.cells},
            {"symbols", symbols}};
}

int Export(Context& context, const ExportOptions& o) {
    Output& out = context.Out();
    const std::string& library = context.Options().library;
    if (library.empty()) return out.Usage("this command needs a library: -l <library.qvm>");
    LibraryReader reader;
    HRESULT hr = reader.Open(library);
    if (FAILED(hr)) return out.Failure(hr, "cannot open the library '" + library + "'", "check that the file exists and is a library");

    std::ofstream file;
    if (!o.output.empty()) {
        file.open(o.output, std::ios::binary | std::ios::trunc);
        if (!file) return out.Failure(KELM_E_IO, "cannot write '" + o.output + "'");
    }
    // With --json and no file the records go into the document, as JSON.
    const bool intoDocument = out.Json() && o.output.empty();
    Json records = Json::array();
    std::ostringstream discard;
    std::ostream& sink = intoDocument ? discard : o.output.empty() ? out.Out() : file;
    const bool csv = o.format == "csv" && !intoDocument;
    long count = 0;
    Names names;
    if (o.kind == "part") {
        if (FAILED(hr = reader.PartNumbers(o.partition, names))) {
            return ReportQueryFailure(context, hr, "cannot list part partition '" + o.partition + "'", {{"partition", o.partition}},
                                      {KELM_E_NO_SUCH_PARTITION});
        }
        if (csv) sink << "partition,number,name,label,type,description,timestamp,pins,cells,symbols\n";
        for (const auto& name : names) {
            PartTypeRecord record;
            if (FAILED(hr = reader.ReadPartType(name, record))) return out.Failure(hr, "cannot read part type '" + name + "'");
            if (intoDocument) records.push_back(PartJson(record, o.partition));
            else sink << (csv ? CsvRecord(PartFields(record, o.partition)) : PartJson(record, o.partition).dump()) << '\n';
            ++count;
        }
    } else {
        if (FAILED(hr = reader.CellNames(o.partition, names))) {
            return ReportQueryFailure(context, hr, "cannot list cell partition '" + o.partition + "'", {{"partition", o.partition}},
                                      {KELM_E_NO_SUCH_PARTITION});
        }
        if (csv) sink << "partition,name,pins,timestamp,padstacks\n";
        for (const auto& name : names) {
            CellRecord record;
            if (FAILED(hr = reader.ReadCell(name, o.partition, record))) return out.Failure(hr, "cannot read cell '" + name + "'");
            if (csv) {
                sink << CsvRecord({o.partition, record.name, JoinList(record.pins, ','), std::to_string(record.timestamp),
                                   JoinList(record.padstacks, ',')})
                     << '\n';
            } else {
                const Json cell = {{"partition", o.partition}, {"name", record.name}, {"pins", record.pins},
                                   {"timestamp", record.timestamp}, {"padstacks", record.padstacks}};
                if (intoDocument) records.push_back(cell);
                else sink << cell.dump() << '\n';
            }
            ++count;
        }
    }
    if (!o.output.empty()) {
        file.close();
        if (!file) return out.Failure(KELM_E_IO, "cannot write '" + o.output + "'");
        out.Result(Json{{"partition", o.partition}, {"kind", o.kind}, {"file", o.output}, {"exported", count}},
                   std::string());
    } else if (intoDocument) {
        out.Result(Json{{"partition", o.partition}, {"kind", o.kind}, {"exported", count}, {"records", records}},
                   std::string());
    }
    out.Note("exported " + std::to_string(count) + " " + (o.kind == "part" ? "part types" : "cells"));
    return kExitOk;
}

}  // namespace

void AddExportCommand(CLI::App& app, Context& context) {
    auto o = std::make_shared<ExportOptions>();
    auto* c = app.add_subcommand("export",
                                 "Write a partition's part types or cells as import reads them (reads the library "
                                 "files through the store, read-only: IKelm offers no whole records)");
    c->add_option("partition", o->partition, "partition name")->required();
    AddKindOption(*c, o->kind, {"cell", "part"});
    c->add_option("--format", o->format, "csv or jsonl")->capture_default_str()->check(CLI::IsMember({"csv", "jsonl"}));
    c->add_option("-o,--output", o->output, "file to write (default: standard output)");
    c->group("Import and export");
    BindAction(c, context, o, Export);
}

}  // namespace kelmcli

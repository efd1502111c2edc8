// Store-level commands, which work on library files directly rather than
// through IKelm (the interface has no way to create a library or write cell,
// symbol and padstack files): init, celldb add, symbol add, padstackdb
// create|list, and info, which reads the whole library's outline.
#include <algorithm>
#include <map>

#include "CommandSupport.h"
#include "ListNotation.h"
#include "StatusText.h"
#include "kelmapi/library.h"

namespace kelmcli {
namespace {

using namespace kelmapi;

struct StoreOptions {
    std::string file;
    std::string name;
    std::string partition;
    std::string pins;
    std::string padstacks;
};

int Init(Context& context, const StoreOptions& o) {
    std::string cause;
    const HRESULT hr = CreateLibrary(o.file, &cause);
    if (FAILED(hr)) {
        const std::string hint = hr == KELM_E_ITEM_EXISTS_OR_MISSING ? "the file exists; init never overwrites a library"
                                                            : cause;
        return context.Out().Failure(hr, "cannot create the library '" + o.file + "'", hint);
    }
    context.Out().Result(Json{{"library", o.file}, {"created", true}}, std::string());
    context.Out().Note("library '" + o.file + "' created (no partitions, no search schemes)");
    return kExitOk;
}

int CellDBAdd(Context& context, const StoreOptions& o) {
    const auto pins = SplitList(o.pins, ',');
    const auto padstacks = SplitList(o.padstacks, ',');
    std::string cause;
    const HRESULT hr = AddCellGeometry(o.file, o.name, pins, padstacks, &cause);
    if (FAILED(hr)) return context.Out().Failure(hr, "cannot write cell '" + o.name + "' to '" + o.file + "'", cause);
    context.Out().Result(Json{{"file", o.file}, {"cell", o.name}, {"pins", pins}, {"padstacks", padstacks}},
                         std::string());
    context.Out().Note("cell '" + o.name + "' written to '" + o.file + "'");
    return kExitOk;
}

int SymbolAdd(Context& context, const StoreOptions& o) {
    const std::string& library = context.Options().library;
    if (library.empty()) return context.Out().Usage("this command needs a library: -l <library.qvm> or KELM_LIBRARY");
    const auto pins = SplitList(o.pins, ',');
    std::string cause;
    const HRESULT hr = AddSymbolFile(library, o.partition, o.name, pins, &cause);
    if (FAILED(hr)) {
        return context.Out().Failure(hr, "cannot write symbol '" + o.name + "' to partition '" + o.partition + "'",
                                     cause.empty() ? "check that the symbol partition exists (kelm partition add NAME "
                                                     "--kind symbol)" : cause);
    }
    context.Out().Result(Json{{"library", library}, {"partition", o.partition}, {"symbol", o.name}, {"pins", pins}},
                         std::string());
    context.Out().Note("symbol '" + o.partition + ":" + o.name + "' written");
    return kExitOk;
}

int PadstackCreate(Context& context, const StoreOptions& o) {
    std::string cause;
    const HRESULT hr = CreatePadstackFile(o.file, &cause);
    if (FAILED(hr)) {
        const std::string hint = hr == KELM_E_ITEM_EXISTS_OR_MISSING ? "the file exists; create never overwrites it"
                                                            : cause;
        return context.Out().Failure(hr, "cannot create the padstack file '" + o.file + "'", hint);
    }
    context.Out().Result(Json{{"file", o.file}, {"created", true}}, std::string());
    context.Out().Note("padstack file '" + o.file + "' created");
    return kExitOk;
}

int PadstackList(Context& context, const StoreOptions& o) {
    std::vector<PadstackInfo> padstacks;
    std::string cause;
    const HRESULT hr = ListPadstackFile(o.file, padstacks, &cause);
    if (FAILED(hr)) return context.Out().Failure(hr, "cannot read the padstack file '" + o.file + "'", cause);
    Json list = Json::array();
    std::vector<std::string> lines;
    for (const auto& padstack : padstacks) {
        list.push_back({{"name", padstack.name}, {"type", padstack.type}, {"timestamp", padstack.timestamp}});
        lines.push_back(padstack.name + "\ttype " + std::to_string(padstack.type));
    }
    context.Out().Result(Json{{"file", o.file}, {"padstacks", list}}, lines);
    return kExitOk;
}

const char* KindName(PartitionKind kind) {
    return kind == PartitionKind::Symbol ? "symbol" : kind == PartitionKind::Cell ? "cell" : "part";
}

int Info(Context& context, const StoreOptions&) {
    const std::string& library = context.Options().library;
    if (library.empty()) return context.Out().Usage("this command needs a library: -l <library.qvm> or KELM_LIBRARY");
    LibraryReader reader;
    HRESULT hr = reader.Open(library);
    if (FAILED(hr)) {
        return context.Out().Failure(hr, "cannot open the library '" + library + "'",
                                     "check that the file exists and is a library");
    }
    Names schemeNames;
    if (FAILED(hr = reader.SearchSchemes(schemeNames))) return context.Out().Failure(hr, "cannot list the search schemes");
    std::string defaultScheme;
    const bool hasDefault = SUCCEEDED(reader.DefaultSearchScheme(defaultScheme));
    std::vector<PartitionInfo> all;
    if (FAILED(hr = reader.Partitions(all))) return context.Out().Failure(hr, "cannot list the partitions");
    std::vector<ReservationInfo> reservations;
    if (FAILED(hr = reader.Reservations(reservations))) return context.Out().Failure(hr, "cannot read the reservations");

    Json document = {{"library", library},
                     {"default_scheme", hasDefault ? Json(defaultScheme) : Json(nullptr)},
                     {"schemes", Json::array()},
                     {"partitions", {{"symbol", Json::array()}, {"cell", Json::array()}, {"part", Json::array()}}},
                     {"reservations", Json::array()}};
    std::vector<std::string> lines = {"Library: " + library,
                                      "Default search scheme: " + (hasDefault ? defaultScheme : std::string("(none)"))};
    lines.push_back("Search schemes (" + std::to_string(schemeNames.size()) + "):");
    for (const auto& scheme : schemeNames) {
        Names members;
        reader.SchemePartitions(scheme, members);
        std::transform(members.begin(), members.end(), members.begin(), DisplayPath);
        document["schemes"].push_back({{"name", scheme}, {"partitions", members}});
        lines.push_back("  " + scheme + " (" + std::to_string(members.size()) + " partitions)");
    }
    std::map<std::string, std::vector<std::string>> byKind;
    for (const PartitionInfo& partition : all) {
        const char* kind = KindName(partition.kind);
        int count = 0;
        const HRESULT counted = reader.CountItems(partition, count);
        document["partitions"][kind].push_back({{"name", partition.name},
                                                {"path", DisplayPath(partition.path)},
                                                {"items", SUCCEEDED(counted) ? Json(count) : Json(nullptr)}});
        byKind[kind].push_back("    " + partition.name + "  " +
                               (SUCCEEDED(counted) ? std::to_string(count) + " items" : "(" + DescribeStatus(counted) + ")"));
    }
    for (const char* kind : {"symbol", "cell", "part"}) {
        lines.push_back(std::string("Partitions, ") + kind + " (" + std::to_string(byKind[kind].size()) + "):");
        for (const auto& line : byKind[kind]) lines.push_back(line);
    }
    lines.push_back("Reservations (" + std::to_string(reservations.size()) + "):");
    for (const auto& reservation : reservations) {
        const std::string partition = DisplayPath(reservation.partition);
        document["reservations"].push_back({{"partition", partition}, {"holder", reservation.holder}});
        lines.push_back("  " + partition + "  held by " + reservation.holder);
    }
    context.Out().Result(document, lines);
    return kExitOk;
}

}  // namespace

void AddStoreCommands(CLI::App& app, Context& context) {
    const std::string group = "Library files";
    {
        auto o = std::make_shared<StoreOptions>();
        auto* c = app.add_subcommand("init", "Create an empty library (no partitions, no schemes); never overwrites");
        c->add_option("library", o->file, "the new library file, <name>.qvm")->required();
        c->group(group);
        BindAction(c, context, o, Init);
    }
    {
        auto* celldb = app.add_subcommand("celldb", "Write cell geometry into a cell database file (.cel)");
        celldb->require_subcommand(1);
        celldb->group(group);
        auto o = std::make_shared<StoreOptions>();
        auto* c = celldb->add_subcommand("add", "Add or replace a cell's pins and padstacks (creates the file)");
        c->add_option("file", o->file, "cell database file, e.g. LIB/CellDBLibs/Smd.cel")->required();
        c->add_option("cell", o->name, "cell name")->required();
        c->add_option("--pins", o->pins, "pin numbers, comma-separated: 1,2,3");
        c->add_option("--padstacks", o->padstacks, "padstack names, comma-separated");
        BindAction(c, context, o, CellDBAdd, "celldb add");
    }
    {
        auto* symbol = app.add_subcommand("symbol", "Write symbol files into a symbol partition");
        symbol->require_subcommand(1);
        symbol->group(group);
        auto o = std::make_shared<StoreOptions>();
        auto* c = symbol->add_subcommand("add", "Add or replace a symbol file in a symbol partition of the library (-l)");
        c->add_option("partition", o->partition, "symbol partition")->required();
        c->add_option("symbol", o->name, "symbol name")->required();
        c->add_option("--pins", o->pins, "pin names, comma-separated: A,B,Y");
        BindAction(c, context, o, SymbolAdd, "symbol add");
    }
    {
        auto* padstackdb = app.add_subcommand("padstackdb", "Create or list a padstack database file");
        padstackdb->require_subcommand(1);
        padstackdb->group(group);
        auto create = std::make_shared<StoreOptions>();
        auto* c = padstackdb->add_subcommand("create", "Create an empty padstack file; never overwrites");
        c->add_option("file", create->file, "padstack database file")->required();
        BindAction(c, context, create, PadstackCreate, "padstackdb create");
        auto list = std::make_shared<StoreOptions>();
        auto* l = padstackdb->add_subcommand("list", "List the padstacks of a padstack file");
        l->add_option("file", list->file, "padstack database file")->required();
        BindAction(l, context, list, PadstackList, "padstackdb list");
    }
    {
        auto o = std::make_shared<StoreOptions>();
        auto* c = app.add_subcommand("info",
                                     "Outline of the library: schemes, partitions per kind with item counts, "
                                     "reservations (reads the library files directly, read-only)");
        c->group(group);
        BindAction(c, context, o, Info);
    }
}

}  // namespace kelmcli

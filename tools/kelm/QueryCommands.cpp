// Read commands: schemes, partitions, items, count, find, exists, pins,
// where-used, cell-partitions, holder. Each opens the library read-only and
// calls one or two methods of IKelm; where-used of a symbol or a padstack,
// which no method answers, reads the library through kelmapi::LibraryReader.
#include <algorithm>

#include "CommandSupport.h"
#include "StatusText.h"
#include "kelmapi/library.h"

namespace kelmcli {
namespace {

struct QueryOptions {
    std::string kind;
    std::string partition;
    std::string item;
    std::string filter = "*";
    std::string scheme;
    std::string excluded;
    bool defaultOnly = false;
    bool paths = false;
    bool keepExtensions = false;
};

int Schemes(Context& context, const QueryOptions& o) {
    if (const int code = context.OpenLibrary(Access::Read)) return code;
    std::string defaultScheme;
    const HRESULT hrDefault = context.Kelm().GetSearchSchemeDefault(defaultScheme);
    if (o.defaultOnly) {
        if (FAILED(hrDefault)) {
            return ReportQueryFailure(context, hrDefault, "cannot read the default search scheme (GetSearchScheme_Default)",
                                      {{"default", nullptr}}, {KELM_E_NO_DEFAULT_SCHEME});
        }
        context.Out().Result(Json{{"default", defaultScheme}}, defaultScheme);
        return kExitOk;
    }
    Strings schemes;
    const HRESULT hr = context.Kelm().GetSearchSchemeAll(schemes);
    if (FAILED(hr)) return context.Out().Failure(hr, "cannot list the search schemes (GetSearchScheme_All)");
    Json document = {{"default", SUCCEEDED(hrDefault) ? Json(defaultScheme) : Json(nullptr)}, {"schemes", schemes}};
    std::vector<std::string> lines;
    for (const auto& scheme : schemes) {
        lines.push_back(SUCCEEDED(hrDefault) && scheme == defaultScheme ? scheme + " (default)" : scheme);
    }
    context.Out().Result(document, lines);
    return kExitOk;
}

int Partitions(Context& context, const QueryOptions& o) {
    if (const int code = context.OpenLibrary(Access::Read)) return code;
    const KelmEnum_ObjType kind = ParseKind(o.kind);
    Strings partitions;
    const bool onlyNames = !o.paths;
    const bool removeExtensions = !o.keepExtensions;
    const HRESULT hr =
        o.scheme.empty()
            ? context.Kelm().GetPartitionListDefaultSearchScheme(kind, onlyNames, removeExtensions, partitions)
            : context.Kelm().GetPartitionListSearchScheme(o.scheme, kind, onlyNames, removeExtensions, partitions);
    const std::string schemeText = o.scheme.empty() ? "the default search scheme" : "search scheme '" + o.scheme + "'";
    if (FAILED(hr)) {
        return ReportQueryFailure(context, hr, "cannot list the " + o.kind + " partitions of " + schemeText,
                                  {{"kind", o.kind}, {"scheme", o.scheme}, {"partitions", nullptr}},
                                  {KELM_E_NO_SUCH_SCHEME, KELM_E_NO_DEFAULT_SCHEME});
    }
    if (o.paths) std::transform(partitions.begin(), partitions.end(), partitions.begin(), DisplayPath);
    context.Out().Result(Json{{"kind", o.kind}, {"scheme", o.scheme}, {"partitions", partitions}}, partitions);
    return kExitOk;
}

int Items(Context& context, const QueryOptions& o) {
    if (const int code = context.OpenLibrary(Access::Read)) return code;
    Strings items;
    const HRESULT hr = context.Kelm().GetPartitionItems(o.partition, o.filter, ParseKind(o.kind), items);
    const Json base = {{"partition", o.partition}, {"kind", o.kind}, {"filter", o.filter}};
    if (FAILED(hr)) {
        Json document = base;
        document["items"] = nullptr;
        return ReportQueryFailure(context, hr, "cannot list the items of " + o.kind + " partition '" + o.partition + "'",
                                  document, {KELM_E_NO_SUCH_PARTITION});
    }
    Json document = base;
    document["items"] = items;
    context.Out().Result(document, items);
    return kExitOk;
}

int Count(Context& context, const QueryOptions& o) {
    if (const int code = context.OpenLibrary(Access::Read)) return code;
    long count = 0;
    const HRESULT hr = context.Kelm().GetPartitionItemsCount(o.partition, o.filter, ParseKind(o.kind), count);
    // No filter counts every item: reported as "*", as items reports it.
    Json document = {{"partition", o.partition}, {"kind", o.kind}, {"filter", o.filter.empty() ? "*" : o.filter}};
    if (FAILED(hr)) {
        document["count"] = nullptr;
        return ReportQueryFailure(context, hr, "cannot count the items of " + o.kind + " partition '" + o.partition + "'",
                                  document, {KELM_E_NO_SUCH_PARTITION});
    }
    document["count"] = count;
    context.Out().Result(document, std::to_string(count));
    return kExitOk;
}

// FindItemPartition answers "nowhere" with E_FAIL, the status it also gives
// for a failure it detects itself; a store failure comes back with the
// store's own status. So E_FAIL is taken as "not found" only when a second
// look agrees: no partition stores the cell, no partition knows the part, the
// default search scheme's symbol partitions can be listed. Otherwise the
// status is the failure it is.
HRESULT ConfirmNotFound(KelmClient& kelm, const std::string& item, KelmEnum_ObjType kind) {
    Strings partitions;
    if (kind == KelmEnum_ObjType_Cell) {
        const HRESULT hr = kelm.GetPartitionsStoringThisCell(item, partitions);
        return FAILED(hr) ? hr : partitions.empty() ? S_OK : E_FAIL;
    }
    if (kind == KelmEnum_ObjType_PartType) {
        bool exists = false;
        const HRESULT hr = kelm.DoesItemExist({}, {}, item, kind, exists);
        return FAILED(hr) ? hr : exists ? E_FAIL : S_OK;
    }
    return kelm.GetPartitionListDefaultSearchScheme(kind, true, true, partitions);
}

int Find(Context& context, const QueryOptions& o) {
    if (const int code = context.OpenLibrary(Access::Read)) return code;
    const KelmEnum_ObjType kind = ParseKind(o.kind);
    std::string partition;
    HRESULT hr = context.Kelm().FindItemPartition(o.item, kind, partition);
    Json document = {{"item", o.item}, {"kind", o.kind}};
    if (hr == E_FAIL) {
        const HRESULT second = ConfirmNotFound(context.Kelm(), o.item, kind);
        if (SUCCEEDED(second)) {
            document["partition"] = nullptr;
            const std::string where = o.kind == "symbol" ? " in the symbol partitions of the default search scheme" : "";
            return context.Out().Negative(document, o.kind + " '" + o.item + "' not found" + where + ": " +
                                                        StatusNameOf(hr) + " (" + HexStatus(hr) + ")", hr);
        }
        if (second != E_FAIL) hr = second;
    }
    if (FAILED(hr)) return context.Out().Failure(hr, "cannot look up " + o.kind + " '" + o.item + "' (FindItemPartition)");
    document["partition"] = partition;
    context.Out().Result(document, partition);
    return kExitOk;
}

int Exists(Context& context, const QueryOptions& o) {
    if (const int code = context.OpenLibrary(Access::Read)) return code;
    bool exists = false;
    const HRESULT hr = context.Kelm().DoesItemExist(o.partition, o.excluded, o.item, ParseKind(o.kind), exists);
    Json document = {{"item", o.item}, {"kind", o.kind}, {"partition", o.partition}, {"excluded", o.excluded}};
    if (FAILED(hr)) return context.Out().Failure(hr, "cannot test whether " + o.kind + " '" + o.item + "' exists");
    document["exists"] = exists;
    if (!exists) {
        const std::string where = o.partition.empty() ? "" : " in partition '" + o.partition + "'";
        return context.Out().Negative(document, o.kind + " '" + o.item + "' does not exist" + where);
    }
    context.Out().Result(document, "yes");
    return kExitOk;
}

int Pins(Context& context, const QueryOptions& o) {
    if (const int code = context.OpenLibrary(Access::Read)) return code;
    long count = 0;
    const HRESULT hr = context.Kelm().GetPinCount(o.partition, o.item, ParseKind(o.kind), count);
    Json document = {{"item", o.item}, {"kind", o.kind}, {"partition", o.partition}};
    if (FAILED(hr)) {
        document["pins"] = nullptr;
        return ReportQueryFailure(context, hr, "cannot count the pins of " + o.kind + " '" + o.item + "'", document,
                                  {KELM_E_NO_SUCH_ITEM, KELM_E_NO_SUCH_PARTITION});
    }
    document["pins"] = count;
    context.Out().Result(document, std::to_string(count));
    return kExitOk;
}

// The parts using a symbol, the cells using a padstack, through a read-only
// store session of their own.
int WhereUsedInStore(Context& context, const QueryOptions& o) {
    const std::string& library = context.Options().library;
    if (library.empty()) return context.Out().Usage("this command needs a library: -l <library.qvm>");
    kelmapi::LibraryReader reader;
    HRESULT hr = reader.Open(library);
    if (FAILED(hr)) {
        return context.Out().Failure(hr, "cannot open the library '" + library + "'",
                                     "check that the file exists and is a library that opens");
    }
    const bool symbol = o.kind == "symbol";
    std::vector<kelmapi::ItemUse> uses;
    hr = symbol ? reader.PartsUsingSymbol(o.item, uses) : reader.CellsUsingPadstack(o.item, uses);
    if (FAILED(hr)) {
        const std::string detail = reader.LastErrorText();
        return context.Out().Failure(hr, std::string("cannot list the ") + (symbol ? "parts using symbol '" : "cells using padstack '") +
                                             o.item + "'" + (detail.empty() ? "" : " (" + detail + ")"));
    }
    Json list = Json::array();
    std::vector<std::string> lines;
    for (const kelmapi::ItemUse& use : uses) {
        list.push_back({{"partition", use.partition}, {symbol ? "part" : "cell", use.item}});
        lines.push_back(symbol ? use.item : use.item + "\t" + use.partition);  // part numbers are unique
    }
    context.Out().Result(Json{{"kind", o.kind}, {o.kind, o.item}, {symbol ? "parts" : "cells", list}}, lines);
    return kExitOk;
}

int WhereUsed(Context& context, const QueryOptions& o) {
    if (!o.kind.empty() && o.kind != "cell") return WhereUsedInStore(context, o);
    if (const int code = context.OpenLibrary(Access::Read)) return code;
    Strings parts;
    const HRESULT hr = context.Kelm().GetPartsUsingThisCell(o.item, parts);
    if (FAILED(hr)) return context.Out().Failure(hr, "cannot list the parts using cell '" + o.item + "'");
    context.Out().Result(Json{{"cell", o.item}, {"parts", parts}}, parts);
    if (parts.empty() && o.kind.empty()) {
        context.Out().Note("no part type uses a cell '" + o.item + "'; for a symbol or a padstack give --kind symbol or --kind padstack");
    }
    return kExitOk;
}

int CellPartitions(Context& context, const QueryOptions& o) {
    if (const int code = context.OpenLibrary(Access::Read)) return code;
    Strings partitions;
    const HRESULT hr = context.Kelm().GetPartitionsStoringThisCell(o.item, partitions);
    if (FAILED(hr)) return context.Out().Failure(hr, "cannot list the partitions storing cell '" + o.item + "'");
    context.Out().Result(Json{{"cell", o.item}, {"partitions", partitions}}, partitions);
    return kExitOk;
}

int Holder(Context& context, const QueryOptions& o) {
    if (const int code = context.OpenLibrary(Access::Read)) return code;
    std::string holder;
    const HRESULT hr = context.Kelm().GetPartitionReservation(o.partition, ParseKind(o.kind), holder);
    Json document = {{"partition", o.partition}, {"kind", o.kind}};
    if (FAILED(hr)) {
        document["holder"] = nullptr;
        return ReportQueryFailure(context, hr, "cannot read the reservation of " + o.kind + " partition '" + o.partition + "'",
                                  document, {KELM_E_NO_SUCH_PARTITION});
    }
    document["holder"] = holder.empty() ? Json(nullptr) : Json(holder);
    context.Out().Result(document, holder.empty() ? "(free)" : holder);
    return kExitOk;
}

// A command of the group that calls `methods`: run(context, *o) once parsed.
CLI::App* AddQuery(CLI::App& app, Context& context, const std::shared_ptr<QueryOptions>& o, const std::string& name,
                   const std::string& what, const std::string& methods, int (*run)(Context&, const QueryOptions&)) {
    auto* c = AddMethodCommand(app, name, what, methods);
    c->group("Queries");
    BindAction(c, context, o, run);
    return c;
}

// The thing the command is about, required, and its kind.
void AddSubject(CLI::App& c, const std::string& name, std::string& target, const std::string& help,
                std::string& kind, const std::vector<std::string>& kinds = KindWords()) {
    c.add_option(name, target, help)->required();
    AddKindOption(c, kind, kinds);
}

}  // namespace

void AddQueryCommands(CLI::App& app, Context& context) {
    {
        auto o = std::make_shared<QueryOptions>();
        AddQuery(app, context, o, "schemes", "List the search schemes, the default one marked",
                 "GetSearchScheme_All, GetSearchScheme_Default", Schemes)
            ->add_flag("--default", o->defaultOnly, "print only the default search scheme");
    }
    {
        auto o = std::make_shared<QueryOptions>();
        auto* c = AddQuery(app, context, o, "partitions", "List the partitions of one kind in a search scheme",
                           "GetPartitionList_SearchScheme, GetPartitionList_DefaultSearchScheme", Partitions);
        AddKindOption(*c, o->kind);
        c->add_option("-s,--scheme", o->scheme, "search scheme (default: the default search scheme)");
        c->add_flag("--paths", o->paths, "full paths instead of bare names");
        c->add_flag("--keep-extensions", o->keepExtensions, "with --paths: keep the file extensions");
    }
    {
        auto o = std::make_shared<QueryOptions>();
        auto* c = AddQuery(app, context, o, "items", "List the items of a partition, sorted", "GetPartitionItems", Items);
        AddSubject(*c, "partition", o->partition, "partition name", o->kind);
        c->add_option("-f,--filter", o->filter, "wildcard filter: * any run, ? one character; no case")->capture_default_str();
    }
    {
        auto o = std::make_shared<QueryOptions>();
        o->filter.clear();
        auto* c = AddQuery(app, context, o, "count", "Count the items of a partition", "GetPartitionItemsCount", Count);
        AddSubject(*c, "partition", o->partition, "partition name", o->kind);
        c->add_option("-f,--filter", o->filter, "wildcard filter (default: all items)");
    }
    {
        auto o = std::make_shared<QueryOptions>();
        AddSubject(*AddQuery(app, context, o, "find", "Print the first partition that holds an item", "FindItemPartition", Find),
                   "item", o->item, "item name (cell name, part number or symbol name)", o->kind);
    }
    {
        auto o = std::make_shared<QueryOptions>();
        auto* c = AddQuery(app, context, o, "exists", "Test whether an item exists; exit 1 when it does not",
                           "DoesItemExist", Exists);
        AddSubject(*c, "item", o->item, "cell name or part number", o->kind, {"cell", "part"});
        c->add_option("-p,--partition", o->partition, "look only in this partition (default: all)");
        c->add_option("-x,--exclude", o->excluded, "leave this partition out");
    }
    {
        auto o = std::make_shared<QueryOptions>();
        auto* c = AddQuery(app, context, o, "pins", "Count the pins of an item", "GetPinCount", Pins);
        AddSubject(*c, "item", o->item, "item name", o->kind);
        c->add_option("-p,--partition", o->partition, "partition of a symbol (not used for cells and parts)");
    }
    {
        auto o = std::make_shared<QueryOptions>();
        auto* c = AddQuery(app, context, o, "where-used",
                           "List the part numbers that use a cell or a symbol, or the cells that use a padstack",
                           "GetPartsUsingThisCell; store classes for symbols and padstacks", WhereUsed);
        c->add_option("name", o->item, "cell name, symbol (Partition:Symbol, or a bare name for any partition), or padstack")
            ->required();
        c->add_option("-k,--kind", o->kind, "what the name is: cell (default), symbol or padstack")
            ->check(CLI::IsMember({"cell", "symbol", "padstack"}))
            ->type_name("KIND");
    }
    {
        auto o = std::make_shared<QueryOptions>();
        AddQuery(app, context, o, "cell-partitions", "List the partitions that store a cell",
                 "GetPartitionsStoringThisCell", CellPartitions)
            ->add_option("cell", o->item, "cell name")
            ->required();
    }
    {
        auto o = std::make_shared<QueryOptions>();
        AddSubject(*AddQuery(app, context, o, "holder", "Print who holds a partition's reservation, or (free)",
                             "GetPartitionReservation", Holder),
                   "partition", o->partition, "partition name", o->kind);
    }
}

}  // namespace kelmcli

// Editing commands: reserve, release, partition add|delete, delete, copy,
// move, padstack. Each opens the library read-write (refused with
// --read-only). Deletion, copy and move save the library themselves, and the
// store writes reservations at once; partition changes are saved by the tool
// afterwards so that they outlive the run.
#include "CommandSupport.h"

#include "StatusText.h"
#include "kelmapi/library.h"

namespace kelmcli {
namespace {

struct EditOptions {
    std::string kind;
    std::string partition;
    std::string item;
    std::string destPartition;
    std::string destItem;
    std::string file;
    bool defaultScheme = false;
    bool overwrite = false;
    bool noSave = false;
};

Json Describe(const EditOptions& o) { return {{"partition", o.partition}, {"kind", o.kind}}; }

int Reserve(Context& context, const EditOptions& o) {
    if (const int code = context.OpenLibrary(Access::Edit)) return code;
    const HRESULT hr = context.Kelm().ReservePartition(o.partition, ParseKind(o.kind));
    if (FAILED(hr)) {
        std::string holder;
        context.Kelm().GetPartitionReservation(o.partition, ParseKind(o.kind), holder);
        const std::string hint = holder.empty() ? std::string() : "it is held by '" + holder + "'; ask them to release it";
        return context.Out().Failure(hr, "cannot reserve " + o.kind + " partition '" + o.partition + "'", hint);
    }
    Json document = Describe(o);
    document["holder"] = context.UserName();
    context.Out().Result(document, std::string());
    context.Out().Note(o.kind + " partition '" + o.partition + "' reserved");
    return kExitOk;
}

int Release(Context& context, const EditOptions& o) {
    if (const int code = context.OpenLibrary(Access::Edit)) return code;
    const HRESULT hr = context.Kelm().UnReservePartition(o.partition, ParseKind(o.kind));
    if (FAILED(hr)) return context.Out().Failure(hr, "cannot release " + o.kind + " partition '" + o.partition + "'");
    Json document = Describe(o);
    document["holder"] = nullptr;
    context.Out().Result(document, std::string());
    context.Out().Note(o.kind + " partition '" + o.partition + "' released");
    return kExitOk;
}

// Whether the partition is there now. AddPartition and DeletePartition
// answer S_OK also when the store refused the change, so the tool looks.
HRESULT PartitionExists(KelmClient& kelm, const std::string& partition, KelmEnum_ObjType kind, bool& exists) {
    long count = 0;
    const HRESULT hr = kelm.GetPartitionItemsCount(partition, {}, kind, count);
    exists = SUCCEEDED(hr);
    // A name the store cannot take is a partition that is not there.
    const bool absent = hr == KELM_E_NO_SUCH_PARTITION || hr == KELM_E_UNSAFE_PATH ||
                        hr == KELM_E_BAD_ARGUMENT;
    return absent ? S_OK : hr;
}

int PartitionAdd(Context& context, const EditOptions& o) {
    if (const int code = context.OpenLibrary(Access::Edit)) return code;
    const std::string what = "cannot add " + o.kind + " partition '" + o.partition + "'";
    const KelmEnum_ObjType kind = ParseKind(o.kind);
    const HRESULT hr = context.Kelm().AddPartition(o.partition, kind, o.defaultScheme);
    if (FAILED(hr)) return context.Out().Failure(hr, what);
    Json document = Describe(o);
    document["changed"] = false;
    if (hr != S_OK) {
        return context.Out().Negative(document, o.kind + " partition '" + o.partition + "' already exists; nothing changed");
    }
    context.Out().Result(document, std::string());  // a refusal below still names the partition
    bool exists = false;
    if (const HRESULT looked = PartitionExists(context.Kelm(), o.partition, kind, exists); FAILED(looked)) {
        return context.Out().Failure(looked, what + ": it cannot be listed afterwards");
    }
    if (!exists) {
        if (!kelmapi::IsSafeFileName(o.partition)) {
            return context.Out().Failure(KELM_E_UNSAFE_PATH,
                                         what + " (not a valid partition name, nothing changed)",
                                         "a partition name is one file name: no '/', '\\', ':', '..' or control characters");
        }
        return context.Out().Failure(E_FAIL, what + " (the library store refused it, nothing changed)");
    }
    if (!o.noSave) {
        if (const int code = SaveAfterEdit(context, "adding the partition")) return code;
    }
    document["changed"] = true;
    context.Out().Result(document, std::string());
    context.Out().Note(o.kind + " partition '" + o.partition + "' added" +
                       (o.defaultScheme ? " to the default search scheme" : ""));
    return kExitOk;
}

int PartitionDelete(Context& context, const EditOptions& o) {
    if (const int code = context.OpenLibrary(Access::Edit)) return code;
    const std::string what = "cannot delete " + o.kind + " partition '" + o.partition + "'";
    const KelmEnum_ObjType kind = ParseKind(o.kind);
    const HRESULT hr = context.Kelm().DeletePartition(o.partition, kind);
    if (FAILED(hr)) return context.Out().Failure(hr, what);
    Json document = Describe(o);
    document["changed"] = false;
    if (hr != S_OK) {
        return context.Out().Negative(document, "no " + o.kind + " partition '" + o.partition + "'; nothing changed", hr);
    }
    context.Out().Result(document, std::string());  // a refusal below still names the partition
    bool exists = false;
    if (const HRESULT looked = PartitionExists(context.Kelm(), o.partition, kind, exists); FAILED(looked)) {
        return context.Out().Failure(looked, what + ": it cannot be listed afterwards");
    }
    if (exists) {
        std::string holder;
        context.Kelm().GetPartitionReservation(o.partition, kind, holder);
        if (!holder.empty()) {
            return context.Out().Failure(KELM_E_RESERVED_BY_OTHER,
                                         what + " (reserved by '" + holder + "', nothing changed)",
                                         "only " + holder + " can delete it; ask them to, or to release it");
        }
        return context.Out().Failure(E_FAIL, what + " (the library store refused it, nothing changed)");
    }
    if (!o.noSave) {
        if (const int code = SaveAfterEdit(context, "deleting the partition")) return code;
    }
    document["changed"] = true;
    context.Out().Result(document, std::string());
    context.Out().Note(o.kind + " partition '" + o.partition + "' deleted");
    return kExitOk;
}

int Delete(Context& context, const EditOptions& o) {
    if (const int code = context.OpenLibrary(Access::Edit)) return code;
    bool nothing = false;
    const HRESULT hr = context.Kelm().DeleteItemFromQVM(o.partition, o.item, ParseKind(o.kind), nothing);
    Json document = {{"item", o.item}, {"kind", o.kind}, {"partition", o.partition}};
    if (nothing) {
        document["deleted"] = false;
        return context.Out().Negative(document, "no " + o.kind + " '" + o.item + "' in partition '" + o.partition +
                                                    "' to delete (" + HexStatus(hr) + ")", hr);
    }
    if (FAILED(hr)) return context.Out().Failure(hr, "cannot delete " + o.kind + " '" + o.item + "' from '" + o.partition + "'");
    document["deleted"] = true;
    context.Out().Result(document, std::string());
    context.Out().Note(o.kind + " '" + o.item + "' deleted from '" + o.partition + "'; library saved");
    return kExitOk;
}

// The partition that holds a part number; empty when none does.
std::string PartitionOfPart(KelmClient& kelm, const std::string& number) {
    std::string partition;
    return SUCCEEDED(kelm.FindItemPartition(number, KelmEnum_ObjType_PartType, partition)) ? partition : std::string();
}

int CopyOrMove(Context& context, const EditOptions& o, bool move) {
    if (const int code = context.OpenLibrary(Access::Edit)) return code;
    const std::string destItem = o.destItem.empty() ? o.item : o.destItem;
    const std::string verb = move ? "move" : "copy";
    const std::string what = "cannot " + verb + " " + o.kind + " '" + o.item + "' from '" + o.partition + "' to '" +
                             o.destPartition + "'";
    const bool part = o.kind == "part";
    KelmClient& kelm = context.Kelm();
    // Part numbers are unique in the whole library, and the copy is added
    // before the source is deleted: under its own number it can never be
    // added. Said before anything is reserved or touched.
    if (part && destItem == o.item) {
        const std::string holder = PartitionOfPart(kelm, o.item);
        if (!holder.empty()) {
            return context.Out().Failure(KELM_E_ITEM_EXISTS_OR_MISSING, what,
                                         "part numbers are unique in a library, and '" + o.item + "' is in '" + holder +
                                             "' until the copy is added: give the copy a new number with --as NEW" +
                                             (move ? " (the source is deleted once the copy is in '" + o.destPartition + "')" : ""));
        }
    }
    const HRESULT hr = kelm.CopyItemInQVM(o.partition, o.item, o.destPartition, destItem, ParseKind(o.kind), o.overwrite, move);
    if (FAILED(hr)) {
        std::string hint;
        if (hr == KELM_E_ITEM_EXISTS_OR_MISSING && part) {
            const std::string holder = PartitionOfPart(kelm, destItem);
            hint = holder.empty() ? std::string()
                                  : "part number '" + destItem + "' is already in '" + holder +
                                        "' (part numbers are unique in a library; part types are never replaced): choose "
                                        "another with --as";
        } else if (hr == KELM_E_ITEM_EXISTS_OR_MISSING) {
            hint = "'" + destItem + "' already exists in '" + o.destPartition + "' (pass --overwrite to replace it)";
        }
        return context.Out().Failure(hr, what, hint);
    }
    Json document = {{"kind", o.kind}, {"from", o.partition}, {"item", o.item},
                     {"to", o.destPartition}, {"as", destItem}, {"moved", move}};
    context.Out().Result(document, std::string());
    context.Out().Note(o.kind + " '" + o.item + "' " + (move ? "moved" : "copied") + " to '" + o.destPartition +
                       "' as '" + destItem + "'; library saved");
    return kExitOk;
}

int Padstack(Context& context, const EditOptions& o) {
    if (const int code = context.OpenLibrary(Access::Edit)) return code;
    const HRESULT hr = context.Kelm().CreateDefaultPadstack(o.item, o.file);
    if (FAILED(hr)) {
        return context.Out().Failure(hr, "cannot create padstack '" + o.item + "' in '" + o.file + "'",
                                     "check that the padstack file exists (kelm padstackdb create <file>)");
    }
    context.Out().Result(Json{{"padstack", o.item}, {"file", o.file}}, std::string());
    context.Out().Note("padstack '" + o.item + "' is in '" + o.file + "'");
    return kExitOk;
}

}  // namespace

void AddEditCommands(CLI::App& app, Context& context) {
    const std::string group = "Edits";
    {
        auto o = std::make_shared<EditOptions>();
        auto* c = AddMethodCommand(app, "reserve", "Reserve a partition for the user (-u)", "ReservePartition");
        c->add_option("partition", o->partition, "partition name")->required();
        AddKindOption(*c, o->kind);
        c->group(group);
        BindAction(c, context, o, Reserve);
    }
    {
        auto o = std::make_shared<EditOptions>();
        auto* c = AddMethodCommand(app, "release", "Give a partition's reservation back", "UnReservePartition");
        c->add_option("partition", o->partition, "partition name")->required();
        AddKindOption(*c, o->kind);
        c->group(group);
        BindAction(c, context, o, Release);
    }
    {
        auto* partition = app.add_subcommand("partition", "Add or delete a partition (methods AddPartition, DeletePartition)");
        partition->require_subcommand(1);
        partition->group(group);
        auto add = std::make_shared<EditOptions>();
        auto* a = AddMethodCommand(*partition, "add", "Add an empty partition and save; exit 1 when it exists, 3 for an invalid name",
                                   "AddPartition");
        a->add_option("name", add->partition, "partition name")->required();
        AddKindOption(*a, add->kind);
        a->add_flag("-d,--default-scheme", add->defaultScheme, "append it to the default search scheme");
        a->add_flag("--no-save", add->noSave, "leave the change unsaved (it is lost when the tool ends)");
        BindAction(a, context, add, PartitionAdd, "partition add");
        auto del = std::make_shared<EditOptions>();
        auto* d = AddMethodCommand(*partition, "delete", "Delete a partition and save; exit 1 when there is none, "
                                   "3 when it is reserved by another user",
                                   "DeletePartition");
        d->add_option("name", del->partition, "partition name")->required();
        AddKindOption(*d, del->kind);
        d->add_flag("--no-save", del->noSave, "leave the change unsaved (it is lost when the tool ends)");
        BindAction(d, context, del, PartitionDelete, "partition delete");
    }
    {
        auto o = std::make_shared<EditOptions>();
        auto* c = AddMethodCommand(app, "delete", "Delete a cell or part type; the method saves; exit 1 when none",
                                   "DeleteItemFromQVM");
        c->add_option("item", o->item, "cell name or part number")->required();
        c->add_option("-p,--partition", o->partition, "partition that holds it")->required();
        AddKindOption(*c, o->kind, {"cell", "part"});
        c->group(group);
        BindAction(c, context, o, Delete);
    }
    for (const bool move : {false, true}) {
        auto o = std::make_shared<EditOptions>();
        auto* c = AddMethodCommand(app, move ? "move" : "copy",
                                   move ? "Move a cell or part type to another partition; the method saves"
                                        : "Copy a cell or part type, to another partition or name; the method saves",
                                   "CopyItemInQVM");
        c->add_option("item", o->item, "cell name or part number")->required();
        c->add_option("--from", o->partition, "source partition")->required();
        c->add_option("--to", o->destPartition, "destination partition")->required();
        c->add_option("--as", o->destItem, "destination name (default: the same name)");
        AddKindOption(*c, o->kind, {"cell", "part"});
        c->add_flag("--overwrite", o->overwrite, "replace an existing destination cell");
        c->group(group);
        BindAction(c, context, o, [move](Context& ctx, const EditOptions& options) { return CopyOrMove(ctx, options, move); });
    }
    {
        auto o = std::make_shared<EditOptions>();
        auto* c = AddMethodCommand(app, "padstack", "Create a default padstack in a padstack file",
                                   "CreateDefaultPadstack");
        c->add_option("name", o->item, "padstack name")->required();
        c->add_option("-f,--file", o->file, "padstack database file")->required();
        c->group(group);
        BindAction(c, context, o, Padstack);
    }
}

}  // namespace kelmcli

// Session commands: reload, save, and the Curator launcher (curator run,
// curator refresh).
#include "CommandSupport.h"

namespace kelmcli {
namespace {

struct SessionOptions {
    std::string kind;
    std::string partition;
    std::string flow;
};

int Reload(Context& context, const SessionOptions&) {
    if (const int code = context.OpenLibrary(Access::Read)) return code;
    const HRESULT hr = context.Kelm().ReloadQVM();
    if (FAILED(hr)) return context.Out().Failure(hr, "cannot reload the library");
    context.Out().Result(Json{{"library", context.Options().library}, {"reloaded", true}}, std::string());
    context.Out().Note("library reloaded");
    return kExitOk;
}

int Save(Context& context, const SessionOptions&) {
    if (const int code = context.OpenLibrary(Access::Edit)) return code;
    const HRESULT hr = context.Kelm().SaveQVM();
    if (FAILED(hr)) return context.Out().Failure(hr, "cannot save the library");
    context.Out().Result(Json{{"library", context.Options().library}, {"saved", true}}, std::string());
    context.Out().Note("library saved");
    return kExitOk;
}

int CuratorRun(Context& context, const SessionOptions& o) {
    if (context.Options().library.empty()) return context.Out().Usage("this command needs a library: -l <library.qvm>");
    if (const int code = context.CreateObject()) return code;
    const HRESULT hr = context.Kelm().RunCurator(context.Options().library, o.flow);
    if (FAILED(hr)) {
        return context.Out().Failure(hr, "cannot start the Curator tool",
                                     "set TQR_CURATOR_BIN or TQR_COMMON_BIN to the folder of CuratorCommand.exe");
    }
    context.Out().Result(Json{{"library", context.Options().library}, {"flow", o.flow}, {"started", true}},
                         std::string());
    context.Out().Note("Curator started");
    return kExitOk;
}

int CuratorRefresh(Context& context, const SessionOptions& o) {
    if (const int code = context.OpenLibrary(Access::Read)) return code;
    const HRESULT hr = context.Kelm().RefreshQVMTree(o.partition, ParseKind(o.kind));
    if (FAILED(hr)) {
        return context.Out().Failure(hr, "cannot start the Curator refresh of '" + o.partition + "'",
                                     "set TQR_CURATOR_BIN or TQR_COMMON_BIN to the folder of CuratorCommand.exe");
    }
    context.Out().Result(Json{{"partition", o.partition}, {"kind", o.kind}, {"started", true}}, std::string());
    context.Out().Note("Curator refresh of '" + o.partition + "' started");
    return kExitOk;
}

}  // namespace

void AddSessionCommands(CLI::App& app, Context& context) {
    const std::string group = "Session";
    {
        auto o = std::make_shared<SessionOptions>();
        auto* c = AddMethodCommand(app, "reload", "Read the library again", "ReloadQVM");
        c->group(group);
        BindAction(c, context, o, Reload);
    }
    {
        auto o = std::make_shared<SessionOptions>();
        auto* c = AddMethodCommand(app, "save", "Write the library back", "SaveQVM");
        c->group(group);
        BindAction(c, context, o, Save);
    }
    {
        auto* curator = app.add_subcommand("curator", "Start the Curator tool (methods RunCurator, RefreshQVMTree)");
        curator->require_subcommand(1);
        curator->group(group);
        auto run = std::make_shared<SessionOptions>();
        auto* r = AddMethodCommand(*curator, "run", "Run a Curator flow on the library", "RunCurator");
        r->add_option("--flow", run->flow, "flow type passed to the tool");
        BindAction(r, context, run, CuratorRun, "curator run");
        auto refresh = std::make_shared<SessionOptions>();
        auto* f = AddMethodCommand(*curator, "refresh", "Refresh one partition with the Curator tool", "RefreshQVMTree");
        f->add_option("partition", refresh->partition, "partition name")->required();
        AddKindOption(*f, refresh->kind);
        BindAction(f, context, refresh, CuratorRefresh, "curator refresh");
    }
}

}  // namespace kelmcli

// The command line: global options, the command groups, parsing and exit
// codes.
#include <iostream>

#include "CommandSupport.h"

namespace kelmcli {

std::unique_ptr<CLI::App> BuildApp(Context& context) {
    auto app = std::make_unique<CLI::App>(
        "kelm: the KelmAPI library tool. Every IKelm method from the shell, batch import and export, JSON output.\n"
        "Exit codes: 0 success, 1 a negative answer (not found, does not exist), 2 usage, 3 failure.",
        "kelm");
    app->fallthrough();  // global options may follow the command
    app->require_subcommand(1);
    app->set_version_flag("--version", std::string("kelm ") + KELM_VERSION);
    GlobalOptions& o = context.Options();
    app->add_option("-l,--library", o.library, "library file (.qvm)")->type_name("FILE");
    app->add_option("-u,--user", o.user, "user name for reservations and edits (default: $KELM_USER, $USER)");
    app->add_flag("--read-only", o.readOnly, "open the library read-only; editing commands are refused");
    app->add_flag("--json", o.json, "machine-readable output on stdout");
    app->add_flag("-q,--quiet", o.quiet, "no remarks, warnings or progress bar");
    app->footer("Documentation: docs/kelm.md. Each command has --help.");
    AddStoreCommands(*app, context);
    AddQueryCommands(*app, context);
    AddEditCommands(*app, context);
    AddSessionCommands(*app, context);
    AddImportCommands(*app, context);
    AddExportCommand(*app, context);
    AddCheckCommand(*app, context);
    return app;
}

int RunTool(int argc, char** argv, std::ostream& out, std::ostream& err) {
    Context context(out, err);
    auto app = BuildApp(context);
    try {
        app->parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return app->exit(e, out, err);  // --help, --version
        std::string message = e.what();
        if (!message.empty() && message.back() != '.') message += '.';
        err << "kelm: " << message << " See 'kelm --help'.\n";
        return kExitUsage;
    }
    context.Out().SetJson(context.Options().json);
    context.Out().SetQuiet(context.Options().quiet);
    try {
        return context.RunAction();
    } catch (const std::exception& e) {
        err << "kelm: " << context.Out().Command() << ": unexpected error: " << e.what() << '\n';
        return kExitFailure;
    }
}

}  // namespace kelmcli

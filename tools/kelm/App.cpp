// The command line: global options, the command groups, parsing and exit
// codes.
#include <algorithm>
#include <cstdlib>
#include <iostream>

#include "CommandSupport.h"
#include "Identity.h"

namespace kelmcli {
namespace {

// Global options that take a value: the word after them is not a command.
bool TakesValue(const std::string& arg) { return arg == "-l" || arg == "--library" || arg == "-u" || arg == "--user"; }

// The command word of the command line (the first word that is neither an
// option nor an option's value), or empty.
std::string CommandWord(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") return {};
        if (TakesValue(arg)) {
            ++i;
        } else if (arg.empty() || arg[0] != '-') {
            return arg;
        }
    }
    return {};
}

bool WantsJson(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") return false;
        if (arg == "--json") return true;
        if (TakesValue(arg)) ++i;
    }
    return false;
}

std::size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::vector<std::string> CommandNames(CLI::App& app) {
    std::vector<std::string> names;
    for (const CLI::App* command : app.get_subcommands([](CLI::App*) { return true; })) names.push_back(command->get_name());
    return names;
}

// "unknown command 'itme'; did you mean 'items'?"
std::string UnknownCommand(const std::string& word, const std::vector<std::string>& names) {
    std::string nearest;
    std::size_t best = word.size();  // a suggestion must share something with the word
    for (const auto& name : names) {
        const std::size_t distance = EditDistance(word, name);
        if (distance < best) best = distance, nearest = name;
    }
    std::string message = "unknown command '" + word + "'";
    if (!nearest.empty() && best <= std::max<std::size_t>(2, word.size() / 2)) message += "; did you mean '" + nearest + "'?";
    return message;
}

// The global options as a help section, shown by every command's help.
std::string GlobalOptionsHelp(CLI::App& app) {
    std::string text = "Global options (before or after the command):\n";
    for (const CLI::Option* option : app.get_options()) {
        if (option->get_name() == "--help" || option->get_name() == "--version") continue;
        std::string names = option->get_name(false, true);
        if (!option->get_type_name().empty() && option->get_expected_max() > 0) names += " " + option->get_type_name();
        text += "  " + names;
        text += std::string(names.size() < 22 ? 24 - names.size() : 2, ' ') + option->get_description() + "\n";
    }
    return text;
}

void AddFooter(CLI::App& command, const std::string& footer) {
    for (CLI::App* sub : command.get_subcommands([](CLI::App*) { return true; })) {
        sub->footer(footer);
        AddFooter(*sub, footer);
    }
}

}  // namespace

std::unique_ptr<CLI::App> BuildApp(Context& context) {
    auto app = std::make_unique<CLI::App>(
        "kelm: the KelmAPI library tool. Every IKelm method from the shell, batch import and export, JSON output.\n"
        "Exit codes: 0 success, 1 a negative answer (not found, does not exist), 2 usage, 3 failure.",
        "kelm");
    app->fallthrough();  // global options may follow the command
    app->require_subcommand(1);
    app->set_version_flag("--version", std::string("kelm ") + KELM_VERSION);
    GlobalOptions& o = context.Options();
    app->add_option("-l,--library", o.library, "library file (.qvm); default: $KELM_LIBRARY")->type_name("FILE");
    app->add_option("-u,--user", o.user, "user for reservations and edits; default: $KELM_USER, then the login name")
        ->type_name("NAME");
    app->add_flag("--read-only", o.readOnly, "open the library read-only; editing commands are refused");
    app->add_flag("--json", o.json, "one JSON document on stdout: ok, command, status, data, message");
    app->add_flag("-q,--quiet", o.quiet, "no remarks, warnings or progress bar");
    app->footer("Documentation: docs/kelm.md and man kelm. Each command has --help.");
    AddStoreCommands(*app, context);
    AddQueryCommands(*app, context);
    AddEditCommands(*app, context);
    AddSessionCommands(*app, context);
    AddImportCommands(*app, context);
    AddExportCommand(*app, context);
    AddCheckCommand(*app, context);
    AddFooter(*app, GlobalOptionsHelp(*app));
    return app;
}

namespace {

int Parse(CLI::App& app, Context& context, int argc, char** argv, std::ostream& out, std::ostream& err) {
    Output& output = context.Out();
    const std::vector<std::string> names = CommandNames(app);
    const std::string word = CommandWord(argc, argv);
    if (!word.empty() && std::find(names.begin(), names.end(), word) == names.end()) {
        return output.Usage(UnknownCommand(word, names));
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) {  // --help, --version: no document
            output.SetJson(false);
            return app.exit(e, out, err);
        }
        output.SetCommand(word);
        return output.Usage(e.what());
    }
    return -1;
}

// The library and the user when the command line does not give them.
void ResolveDefaults(CLI::App& app, GlobalOptions& o) {
    if (const char* library = std::getenv("KELM_LIBRARY"); o.library.empty() && library != nullptr) o.library = library;
    const bool given = app.get_option("--user")->count() > 0;
    const Identity identity = ResolveUser(
        given ? std::optional<std::string>(o.user) : std::nullopt,
        [](const std::string& name) -> std::optional<std::string> {
            const char* value = std::getenv(name.c_str());
            return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
        },
        PasswordDatabaseName);
    o.user = identity.user;
    o.userError = identity.error;
}

}  // namespace

int RunTool(int argc, char** argv, std::ostream& out, std::ostream& err) {
    Context context(out, err);
    auto app = BuildApp(context);
    Output& output = context.Out();
    output.SetJson(WantsJson(argc, argv));
    int code = Parse(*app, context, argc, argv, out, err);
    if (code < 0) {
        output.SetJson(context.Options().json);
        output.SetQuiet(context.Options().quiet);
        ResolveDefaults(*app, context.Options());
        try {
            code = context.RunAction();
        } catch (const std::exception& e) {
            code = output.Failure(E_UNEXPECTED, std::string("unexpected error: ") + e.what(), "please report it");
        }
    }
    output.Finish(code);
    return code;
}

}  // namespace kelmcli

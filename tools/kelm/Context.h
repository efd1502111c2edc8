// The state of one run of the tool: the global options, the output, and the
// Kelm object with the library opened on demand.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "KelmClient.h"
#include "Output.h"

namespace CLI {
class App;
}

namespace kelmcli {

struct GlobalOptions {
    std::string library;  // -l/--library, else KELM_LIBRARY
    std::string user;     // -u/--user, else KELM_USER, else the login name (see Identity.h)
    std::string userError;  // why no user name could be had; set when user is empty
    bool readOnly = false;
    bool json = false;
    bool quiet = false;
};

// What a command needs of the library.
enum class Access {
    Read,  // opened read-only: queries
    Edit,  // opened read-write; refused up front with --read-only
};

class Context {
public:
    Context(std::ostream& out, std::ostream& err) : m_output(out, err) {}

    GlobalOptions& Options() { return m_options; }
    Output& Out() { return m_output; }

    // The user name handed to Kelmstore_Open; never empty once the library is open.
    const std::string& UserName() const { return m_options.user; }

    // Creates the Kelm object and opens the library of -l for the access the
    // command needs. On failure prints the error and returns the exit code
    // (kExitUsage without -l, kExitFailure otherwise); 0 when open.
    int OpenLibrary(Access access);
    // The Kelm object without a library (RunCurator); same exit codes.
    int CreateObject();
    KelmClient& Kelm() { return m_client; }

    // The command to run after parsing, and its result.
    void SetAction(std::string command, std::function<int()> action);
    bool HasAction() const { return static_cast<bool>(m_action); }
    int RunAction();

private:
    GlobalOptions m_options;
    Output m_output;
    KelmClient m_client;
    bool m_created = false;
    std::function<int()> m_action;
};

// Command groups: each adds its subcommands to the application.
void AddQueryCommands(CLI::App& app, Context& context);
void AddEditCommands(CLI::App& app, Context& context);
void AddSessionCommands(CLI::App& app, Context& context);
void AddStoreCommands(CLI::App& app, Context& context);
void AddImportCommands(CLI::App& app, Context& context);
void AddExportCommand(CLI::App& app, Context& context);
void AddCheckCommand(CLI::App& app, Context& context);

// Builds the whole command line; the caller parses and runs.
std::unique_ptr<CLI::App> BuildApp(Context& context);
// Parses argv and runs the chosen command: the exit code.
int RunTool(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace kelmcli

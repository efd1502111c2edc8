// Small pieces that every command group uses: the --kind option, the
// reporting of a method's status, the JSON fields of a kind.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "Context.h"
#include "Kinds.h"

namespace kelmcli {

// Adds --kind (-k) limited to the given words, required.
CLI::Option* AddKindOption(CLI::App& command, std::string& target,
                           const std::vector<std::string>& words = KindWords());

// A subcommand whose help names the method it calls: "<what> (method X)".
CLI::App* AddMethodCommand(CLI::App& parent, const std::string& name, const std::string& what,
                           const std::string& methods);

// A read command's failure. Only the statuses listed as the command's "does
// not exist" answers (the store's "no such partition" for the partition the
// user named, ...) are negative answers (exit 1); every other status, E_FAIL
// included, is a failure (exit 3). Both print one line naming the status.
int ReportQueryFailure(Context& context, HRESULT status, const std::string& what, const Json& negativeDocument,
                       std::initializer_list<HRESULT> notFound);

// A library path as this system writes paths: the component and the
// library files use backslashes; on Linux every separator becomes '/'.
std::string DisplayPath(std::string path);

// Saves after an edit whose method leaves saving to the client; 0 or the
// failure's exit code.
int SaveAfterEdit(Context& context, const std::string& what);

// Makes the command, when chosen, run handler(context, options) after parsing.
// The name is the one errors print ("partition add"); default: the command's.
template <typename Options, typename Handler>
void BindAction(CLI::App* command, Context& context, const std::shared_ptr<Options>& options, Handler handler,
                std::string name = {}) {
    if (name.empty()) name = command->get_name();
    command->callback([&context, options, handler, name] {
        context.SetAction(name, [&context, options, handler] { return handler(context, *options); });
    });
}

}  // namespace kelmcli

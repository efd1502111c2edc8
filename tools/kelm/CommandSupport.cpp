#include "CommandSupport.h"

#include <algorithm>
#include <filesystem>

#include "StatusText.h"

namespace kelmcli {

CLI::Option* AddKindOption(CLI::App& command, std::string& target, const std::vector<std::string>& words) {
    std::string list;
    for (const auto& word : words) list += (list.empty() ? "" : "|") + word;
    return command.add_option("-k,--kind", target, "object kind: " + list)
        ->required()
        ->check(CLI::IsMember(words))
        ->type_name("KIND");
}

CLI::App* AddMethodCommand(CLI::App& parent, const std::string& name, const std::string& what,
                           const std::string& methods) {
    return parent.add_subcommand(name, what + " (method " + methods + ")");
}

int ReportQueryFailure(Context& context, HRESULT status, const std::string& what, const Json& negativeDocument,
                       std::initializer_list<HRESULT> notFound) {
    if (std::find(notFound.begin(), notFound.end(), status) != notFound.end()) {
        return context.Out().Negative(negativeDocument, what + ": " + StatusNameOf(status) + " (" + HexStatus(status) + ")",
                                      status);
    }
    return context.Out().Failure(status, what);
}

std::string DisplayPath(std::string path) {
    const char separator = static_cast<char>(std::filesystem::path::preferred_separator);
    std::replace(path.begin(), path.end(), '\\', separator);
    std::replace(path.begin(), path.end(), '/', separator);
    return path;
}

int SaveAfterEdit(Context& context, const std::string& what) {
    const HRESULT hr = context.Kelm().SaveQVM();
    if (FAILED(hr)) {
        return context.Out().Failure(hr, what + " succeeded but the library could not be saved (SaveQVM)",
                                     "nothing was written; run the command again");
    }
    return kExitOk;
}

}  // namespace kelmcli

#include "CommandSupport.h"

#include <algorithm>

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
        Json document = negativeDocument;
        document["status"] = HexStatus(status);
        document["name"] = StatusNameOf(status);
        return context.Out().Negative(document, what + ": " + StatusNameOf(status) + " (" + HexStatus(status) + ")");
    }
    return context.Out().Failure(status, what);
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

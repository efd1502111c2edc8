#include "CuratorTool.h"

#include "kelmapi/curator.h"

namespace kelm::curator {
namespace {

constexpr const char* kUsage =
    "usage: CuratorCommand.exe -qvmfile=\"<library.qvm>\" -command=run -args=<flow>;\n"
    "       CuratorCommand.exe -qvmfile=\"<library.qvm>\" -command=refreshqvm "
    "-args=<partition>;;<symbols|cells|parts>;\n"
    "flows: verify\n";

bool TakeValue(const std::string& argument, const std::string& option, std::string& value) {
    if (argument.compare(0, option.size(), option) != 0) return false;
    value = argument.substr(option.size());
    return true;
}

}  // namespace

bool ParseCommandLine(const std::vector<std::string>& arguments, Request& request, std::string& error) {
    bool haveFile = false, haveCommand = false, haveArgs = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        std::string value;
        if (TakeValue(argument, "-args=", value)) {
            // Everything that follows belongs to the arguments.
            for (++i; i < arguments.size(); ++i) value += " " + arguments[i];
            request.args = value;
            haveArgs = true;
        } else if (TakeValue(argument, "-qvmfile=", value)) {
            request.qvmFile = value;
            haveFile = true;
        } else if (TakeValue(argument, "-command=", value)) {
            request.command = value;
            haveCommand = true;
        } else {
            error = "unknown argument \"" + argument + "\"";
            return false;
        }
    }
    if (!haveFile || request.qvmFile.empty()) error = "no library file (-qvmfile=\"<library.qvm>\")";
    else if (!haveCommand) error = "no command (-command=run or -command=refreshqvm)";
    else if (request.command != "run" && request.command != "refreshqvm")
        error = "unknown command \"" + request.command + "\"";
    else if (!haveArgs) error = "no arguments (-args=...)";
    else if (request.args.empty() || request.args.back() != ';') error = "the arguments must end in ';'";
    return error.empty();
}

int RunTool(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    Request request;
    std::string error;
    if (!ParseCommandLine(arguments, request, error)) {
        err << "CuratorCommand: " << error << "\n" << kUsage;
        return kExitUsage;
    }
    const std::string fields = request.args.substr(0, request.args.size() - 1);  // without the last ';'
    if (request.command == "run") {
        if (fields == "verify") return VerifyFlow(request.qvmFile, out, err);
        err << "CuratorCommand: unknown flow \"" << fields << "\" (known flows: verify)\n";
        return kExitUsage;
    }
    // <partition>;<always empty>;<kind word>
    const std::size_t first = fields.find(';');
    const std::size_t second = first == std::string::npos ? first : fields.find(';', first + 1);
    if (second == std::string::npos || fields.find(';', second + 1) != std::string::npos) {
        err << "CuratorCommand: refreshqvm takes -args=<partition>;;<symbols|cells|parts>;\n";
        return kExitUsage;
    }
    return RefreshPartitionFlow(request.qvmFile, fields.substr(0, first), fields.substr(second + 1), out, err);
}

namespace {

// The flow's report: to `out`, and to LogFiles\<library title>.<flow>.txt.
int Report(const std::string& qvmFile, const std::string& flow, const std::string& report, int result,
           std::ostream& out, std::ostream& err) {
    out << report;
    std::string reportPath;
    if (!kelmapi::WriteLibraryReport(qvmFile, flow, report, reportPath)) {
        err << "CuratorCommand: cannot write the report " << reportPath << "\n";
        return kExitUsage;
    }
    return result;
}

}  // namespace

int RefreshPartitionFlow(const std::string& qvmFile, const std::string& partition, const std::string& kindWord,
                         std::ostream& out, std::ostream& err) {
    kelmapi::RefreshResult refreshed;
    std::string error;
    const HRESULT status = kelmapi::RefreshPartition(qvmFile, partition, kindWord, refreshed, error);
    if (FAILED(status)) {
        err << "CuratorCommand: " << error << "\n";
        return status == KELM_E_CORRUPT ? kExitProblems : kExitUsage;
    }
    const std::string report = "Refreshed " + refreshed.partition + ": " + std::to_string(refreshed.items) +
                               (refreshed.items == 1 ? " item" : " items") +
                               (refreshed.holder.empty() ? std::string(", not reserved")
                                                         : ", reserved by " + refreshed.holder) +
                               ".\n";
    return Report(qvmFile, "refresh", report, kExitClean, out, err);
}

int VerifyFlow(const std::string& qvmFile, std::ostream& out, std::ostream& err) {
    std::vector<std::string> problems;
    std::string error;
    if (FAILED(kelmapi::VerifyLibrary(qvmFile, problems, error))) {
        err << "CuratorCommand: " << error << "\n";
        return kExitUsage;
    }
    std::string report = "Verify " + qvmFile + "\n";
    for (const std::string& problem : problems) report += problem + "\n";
    report += problems.empty() ? std::string("No problems found.\n")
                               : std::to_string(problems.size()) +
                                     (problems.size() == 1 ? " problem found.\n" : " problems found.\n");
    return Report(qvmFile, "verify", report, problems.empty() ? kExitClean : kExitProblems, out, err);
}

}  // namespace kelm::curator

// kelm check: the library check for people and CI jobs. It reads the
// library's files without the component (see kelmapi/library.h for what
// it finds) and exits 1 when it found an error, or with
// --fail-on-warnings a warning too.
#include <algorithm>

#include "CommandSupport.h"
#include "ListNotation.h"
#include "kelmapi/library.h"

namespace kelmcli {
namespace {

using namespace kelmapi;

struct CheckOptions {
    bool failOnWarnings = false;
    std::string users;
};

// A library path with the separator of this system.
std::string ShownPath(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

int Check(Context& context, const CheckOptions& o) {
    const std::string& library = context.Options().library;
    if (library.empty()) return context.Out().Usage("this command needs a library: -l <library.qvm>");
    LibraryCheckReport report;
    const HRESULT hr = CheckLibrary(library, SplitList(o.users, ','), report);
    if (FAILED(hr) && report.findings.empty()) return context.Out().Failure(hr, "cannot check the library '" + library + "'");

    const std::size_t errors = report.Count(FindingSeverity::Error);
    const std::size_t warnings = report.Count(FindingSeverity::Warning);
    Json document = {{"library", library},
                     {"partitions", report.partitions},
                     {"parts", report.parts},
                     {"cells", report.cells},
                     {"symbols", report.symbols},
                     {"errors", errors},
                     {"warnings", warnings},
                     {"findings", Json::array()}};
    std::vector<std::string> lines;
    lines.push_back("Checked " + library + ": " + std::to_string(report.partitions) + " partitions, " +
                    std::to_string(report.parts) + " part types, " + std::to_string(report.cells) + " cells, " +
                    std::to_string(report.symbols) + " symbols.");
    for (const LibraryFinding& finding : report.findings) {
        const bool error = finding.severity == FindingSeverity::Error;
        const std::string file = ShownPath(finding.file);
        document["findings"].push_back({{"severity", error ? "error" : "warning"},
                                        {"kind", finding.kind},
                                        {"file", file},
                                        {"line", finding.line},
                                        {"message", finding.message}});
        std::string where = file;
        if (finding.line > 0) where += ", line " + std::to_string(finding.line);
        lines.push_back(std::string(error ? "error: " : "warning: ") + (where.empty() ? "" : where + ": ") +
                        finding.message + " [" + finding.kind + "]");
    }
    lines.push_back(std::to_string(errors) + (errors == 1 ? " error, " : " errors, ") + std::to_string(warnings) +
                    (warnings == 1 ? " warning." : " warnings."));
    context.Out().Result(document, lines);
    return errors > 0 || (o.failOnWarnings && warnings > 0) ? kExitNegative : kExitOk;
}

}  // namespace

void AddCheckCommand(CLI::App& app, Context& context) {
    auto o = std::make_shared<CheckOptions>();
    auto* c = app.add_subcommand(
        "check", "Check a library's files: damaged files, broken references, duplicate part numbers, files and "
                 "partitions that do not match, unused items and stale reservations; exit 1 on errors");
    c->add_flag("--fail-on-warnings", o->failOnWarnings, "exit 1 on warnings too");
    c->add_option("--users", o->users, "the users who may hold reservations: alice,bob (default: anyone named)");
    c->group("Library files");
    BindAction(c, context, o, Check);
}

}  // namespace kelmcli

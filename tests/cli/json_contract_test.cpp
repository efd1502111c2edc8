// Every command, in success, a negative answer or failure, usage errors
// included, prints one JSON document of one shape with --json. A new
// command is one row of the table; a command without a row fails the test.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "Context.h"
#include "KelmRun.h"
#include "support/TempFolder.h"

namespace kelm::testing {
namespace {

using json = nlohmann::ordered_json;

struct Row {
    std::vector<std::string> args;  // after "--json -l lib/Demo.qvm -u alice"
    int code;
};

// The full names of the commands ("partition add"), leaves only.
void CommandNames(const CLI::App& app, const std::string& prefix, std::set<std::string>& names) {
    const auto all = [](const CLI::App*) { return true; };
    for (const CLI::App* command : app.get_subcommands(all)) {
        const std::string name = prefix + command->get_name();
        if (command->get_subcommands(all).empty()) names.insert(name);
        else CommandNames(*command, name + " ", names);
    }
}

std::string CommandOf(const std::vector<std::string>& args, const std::set<std::string>& names) {
    if (args.size() >= 2 && names.count(args[0] + " " + args[1])) return args[0] + " " + args[1];
    return args.empty() ? std::string() : args[0];
}

TEST(JsonContract, EveryCommandPrintsOneDocumentOfOneShapeWhateverTheOutcome) {
    TempFolder folder;
    folder.File("cells.csv", "name,pins\nR0603,\"1,2\"\n");
    folder.File("parts.csv", "number,cells,pins\nR1,R0603,\"1,2\"\n");
    const std::string tool = "TQR_CURATOR_BIN=" + ShellQuote(std::filesystem::path(KELM_CURATOR_BINARY).parent_path().string());
    const std::vector<Row> rows = {
        {{"init", "lib/Demo.qvm"}, 0},
        {{"init", "lib/Demo.qvm"}, 3},
        {{"partition", "add", "Resistors", "-k", "part", "-d"}, 0},
        {{"partition", "add", "Resistors", "-k", "part"}, 1},
        {{"partition", "add", "../x", "-k", "part"}, 3},
        {{"partition", "add", "Smd", "-k", "cell", "-d"}, 0},
        {{"partition", "add", "Gates", "-k", "symbol", "-d"}, 0},
        {{"partition", "add", "Spare", "-k", "part"}, 0},
        {{"partition", "delete", "Spare", "-k", "part"}, 0},
        {{"partition", "delete", "Spare", "-k", "part"}, 1},
        {{"celldb", "add", "lib/CellDBLibs/Smd.cel", "R0603", "--pins", "1,2"}, 0},
        {{"symbol", "add", "Gates", "RES", "--pins", "A,B"}, 0},
        {{"symbol", "add", "..", "RES"}, 3},
        {{"import", "cells", "cells.csv", "-p", "Smd", "--reserve"}, 0},
        {{"import", "parts", "parts.csv", "-p", "Resistors", "--reserve"}, 0},
        {{"import", "parts", "missing.csv", "-p", "Resistors"}, 3},
        {{"padstackdb", "create", "pads.pdb"}, 0},
        {{"padstackdb", "list", "pads.pdb"}, 0},
        {{"padstackdb", "list", "none.pdb"}, 3},
        {{"padstack", "DEFAULT", "-f", "pads.pdb"}, 0},
        {{"info"}, 0},
        {{"schemes"}, 0},
        {{"partitions", "-k", "part"}, 0},
        {{"items", "Resistors", "-k", "part"}, 0},
        {{"count", "Nope", "-k", "part"}, 1},
        {{"find", "R1", "-k", "part"}, 0},
        {{"exists", "R9", "-k", "part"}, 1},
        {{"pins", "R1", "-k", "part"}, 0},
        {{"where-used", "R0603"}, 0},
        {{"cell-partitions", "R0603"}, 0},
        {{"holder", "Resistors", "-k", "part"}, 0},
        {{"reserve", "Resistors", "-k", "part"}, 0},
        {{"copy", "R1", "--from", "Resistors", "--to", "Resistors", "--as", "R2", "-k", "part"}, 0},
        {{"move", "R2", "--from", "Resistors", "--to", "Nope", "-k", "part"}, 3},
        {{"delete", "R2", "-p", "Resistors", "-k", "part"}, 0},
        {{"delete", "R2", "-p", "Resistors", "-k", "part"}, 1},
        {{"release", "Resistors", "-k", "part"}, 0},
        {{"export", "Resistors", "-k", "part"}, 0},
        {{"check"}, 0},
        {{"where-used", "Gates:RES", "-k", "symbol"}, 0},
        {{"reload"}, 0},
        {{"save"}, 0},
        {{"curator", "run", "--flow", "verify"}, 0},
        {{"curator", "refresh", "Smd", "-k", "cell"}, 0},
        // usage errors
        {{}, 2},
        {{"itme"}, 2},
        {{"items"}, 2},
        {{"holder", "Resistors", "-k", "gadget"}, 2},
        {{"count", "Smd", "-k", "cell", "--no-such-option"}, 2},
    };

    kelmcli::Context context(std::cout, std::cerr);
    std::set<std::string> names;
    CommandNames(*kelmcli::BuildApp(context), "", names);
    std::set<std::string> covered;
    const std::regex hex("0x[0-9A-F]{8}");
    for (const Row& row : rows) {
        std::vector<std::string> args = {"--json", "-l", "lib/Demo.qvm", "-u", "alice"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        const KelmResult result = RunKelm(folder.Root(), args, tool);
        const std::string name = ::testing::PrintToString(row.args);
        EXPECT_EQ(result.code, row.code) << name << result.err;
        std::istringstream stream(result.out);
        json document;
        ASSERT_NO_THROW(stream >> document) << name << result.out;
        stream >> std::ws;
        EXPECT_TRUE(stream.eof()) << name << ": more than one document: " << result.out;
        std::vector<std::string> keys;
        for (const auto& item : document.items()) keys.push_back(item.key());
        EXPECT_EQ(keys, (std::vector<std::string>{"ok", "command", "status", "data", "message"})) << name;
        EXPECT_EQ(document["ok"], row.code == 0) << name;
        EXPECT_TRUE(document["status"]["name"].is_string()) << name;
        EXPECT_TRUE(std::regex_match(document["status"]["value"].get<std::string>(), hex)) << name;
        EXPECT_EQ(document["status"]["value"] == "0x00000000", row.code == 0) << name << result.out;
        EXPECT_TRUE(document["message"].is_string()) << name;
        EXPECT_TRUE(document["data"].is_object() || document["data"].is_null()) << name;
        if (row.code != 0) {
            EXPECT_FALSE(document["message"].get<std::string>().empty()) << name;
        } else {
            EXPECT_EQ(document["command"], CommandOf(row.args, names)) << name;
        }
        covered.insert(CommandOf(row.args, names));
    }
    for (const auto& command : names) EXPECT_TRUE(covered.count(command)) << "no row for '" << command << "'";
}

}  // namespace
}  // namespace kelm::testing

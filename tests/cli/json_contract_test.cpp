// Every command, whatever the outcome (exit 0 answer, 1 negative answer, 2 usage, 3 failure), prints one
// JSON document of one shape with --json; a command without a row fails the test.
#include <algorithm>
#include <regex>
#include <set>
#include <CLI/CLI.hpp>
#include "Context.h"
#include "SmallLibrary.h"

namespace kelm::testing {
namespace {
using json = nlohmann::ordered_json;
struct Row {
    std::vector<std::string> args;  // after "--json -l lib/Demo.qvm -u alice"
    int code;
    std::string human = "-";  // the whole of stdout without --json; "~" + a part of it; "-" not checked
    std::string pointer = {};  // a field of the --json document
    std::string value = {};    // ... as JSON text
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
    folder.File("parts.csv", "number,cells,symbols,pins\nR1,R0603,\"Gates:RES[A,B]\",\"1,2\"\n");
    const std::string tool = "TQR_CURATOR_BIN=" + ShellQuote(std::filesystem::path(KELM_CURATOR_BINARY).parent_path().string());
    const std::vector<Row> rows = {
        {{"init", "lib/Demo.qvm"}, 0},
        {{"init", "lib/Demo.qvm"}, 3},
        {{"partition", "add", "Resistors", "-k", "part", "-d"}, 0},
        {{"partition", "add", "Resistors", "-k", "part"}, 1},
        {{"partition", "add", "Smd", "-k", "cell", "-d"}, 0},
        {{"partition", "add", "Gates", "-k", "symbol", "-d"}, 0},
        {{"partition", "add", "Spare", "-k", "part"}, 0},
        {{"partition", "delete", "Spare", "-k", "part"}, 0},
        {{"partition", "delete", "Spare", "-k", "part"}, 1},
        {{"celldb", "add", "lib/CellDBLibs/Smd.cel", "R0603", "--pins", "1,2", "--padstacks", "P1"}, 0},
        {{"symbol", "add", "Gates", "RES", "--pins", "A,B"}, 0},
        {{"import", "cells", "cells.csv", "-p", "Smd", "--reserve"}, 0},
        {{"import", "parts", "parts.csv", "-p", "Resistors", "--reserve"}, 0},
        {{"import", "parts", "missing.csv", "-p", "Resistors"}, 3},
        {{"padstackdb", "create", "pads.pdb"}, 0},
        {{"padstackdb", "list", "pads.pdb"}, 0},
        {{"padstackdb", "list", "none.pdb"}, 3},
        {{"padstack", "DEFAULT", "-f", "pads.pdb"}, 0},
        {{"info"}, 0},
        {{"schemes"}, 0, "(Default) (default)\n", "/data/schemes", R"j(["(Default)"])j"},
        {{"schemes", "--default"}, 0, "(Default)\n", "/data/default", R"j("(Default)")j"},
        {{"partitions", "-k", "part"}, 0, "Resistors\n", "/data/partitions", R"j(["Resistors"])j"},
        {{"partitions", "-k", "cell", "--paths"}, 0, "~lib/CellDBLibs/Smd\n", "/data/partitions/0", R"j("lib/CellDBLibs/Smd")j"},
        {{"partitions", "-k", "part", "-s", "Nope"}, 1, "", "/status/name", R"j("no such search scheme")j"},
        {{"items", "Resistors", "-k", "part", "-f", "r*"}, 0, "R1\n", "/data/items", R"j(["R1"])j"},
        {{"items", "Nope", "-k", "part"}, 1, "", "/data/items", "null"},
        {{"count", "Smd", "-k", "cell"}, 0, "1\n", "/data/count", "1"},
        {{"count", "Nope", "-k", "cell"}, 1, "", "/data/count", "null"},
        {{"find", "R1", "-k", "part"}, 0, "Resistors\n", "/data/partition", R"j("Resistors")j"},
        {{"find", "R9", "-k", "part"}, 1, "", "/data/partition", "null"},
        {{"find", "C9", "-k", "cell"}, 1, "", "/status/name", R"j("E_FAIL")j"},
        {{"exists", "R1", "-k", "part"}, 0, "yes\n", "/data/exists", "true"},
        {{"exists", "R1", "-k", "part", "-x", "Resistors"}, 1, "", "/data/exists", "false"},
        {{"pins", "R1", "-k", "part"}, 0, "2\n", "/data/pins", "2"},
        {{"pins", "C9", "-k", "cell"}, 1, "", "/data/pins", "null"},
        {{"where-used", "R0603"}, 0, "R1\n", "/data/parts", R"j(["R1"])j"},
        {{"where-used", "C9"}, 0, "", "/data/parts", "[]"},
        {{"where-used", "RES", "-k", "symbol"}, 0, "R1\n"},
        {{"where-used", "gates:RES", "-k", "symbol"}, 0, "R1\n"},  // partition names without case
        {{"where-used", "Gates:res", "-k", "symbol"}, 0, ""},       // symbol names with case
        {{"where-used", "P1", "-k", "padstack"}, 0, "R0603\tSmd\n", "/data/cells/0/partition", R"j("Smd")j"},
        {{"where-used", "P1", "-k", "pin"}, 2},
        {{"cell-partitions", "R0603"}, 0, "Smd\n", "/data/partitions", R"j(["Smd"])j"},
        {{"holder", "Smd", "-k", "cell"}, 0, "(free)\n", "/data/holder", "null"},
        {{"holder", "Nope", "-k", "cell"}, 1, "", "/data/holder", "null"},
        {{"reload"}, 0, "", "/data/reloaded", "true"},
        {{"export", "Smd", "-k", "cell", "--format", "jsonl", "-o", "cells.jsonl"}, 0, "", "/data/exported", "1"},
        {{"export", "Smd", "-k", "cell"}, 0, "~partition,name,pins,timestamp,padstacks\nSmd,R0603,\"1,2\",",
         "/data/records/0/pins", R"j(["1","2"])j"},
        {{"export", "Nope", "-k", "part"}, 1, "", "/data/partition", R"j("Nope")j"},
        {{"reserve", "Resistors", "-k", "part"}, 0},
        {{"copy", "R1", "--from", "Resistors", "--to", "Resistors", "--as", "R2", "-k", "part"}, 0},
        {{"move", "R2", "--from", "Resistors", "--to", "Nope", "-k", "part"}, 3},
        {{"delete", "R2", "-p", "Resistors", "-k", "part"}, 0},
        {{"delete", "R2", "-p", "Resistors", "-k", "part"}, 1, "", "/data/deleted", "false"},
        {{"release", "Resistors", "-k", "part"}, 0},
        {{"check"}, 0},
        {{"save"}, 0},
        {{"curator", "run", "--flow", "verify"}, 0},
        {{"curator", "refresh", "Smd", "-k", "cell"}, 0},
        // usage errors
        {{}, 2},
        {{"itme"}, 2},
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
        if (!row.pointer.empty()) {
            EXPECT_EQ(document.value(json::json_pointer(row.pointer), json()), json::parse(row.value)) << name << result.out;
        }
        if (row.human == "-") continue;
        args.erase(args.begin());
        const KelmResult human = RunKelm(folder.Root(), args, tool);
        EXPECT_EQ(human.code, row.code) << name << human.err;
        if (row.human.starts_with("~")) {
            EXPECT_NE(human.out.find(row.human.substr(1)), std::string::npos) << name << human.out;
        } else {
            EXPECT_EQ(human.out, row.human) << name;
        }
        if (row.code != 0) {  // one line naming the answer
            EXPECT_EQ(std::count(human.err.begin(), human.err.end(), '\n'), 1) << name << human.err;
        }
    }
    for (const auto& command : names) EXPECT_TRUE(covered.count(command)) << "no row for '" << command << "'";
}
}  // namespace
}  // namespace kelm::testing

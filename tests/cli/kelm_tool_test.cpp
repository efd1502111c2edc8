// End-to-end: the built kelm binary on libraries made in temporary folders.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include <nlohmann/json.hpp>

#include "KelmRun.h"
#include "support/TempFolder.h"

namespace kelm::testing {
namespace {

using nlohmann::json;

class KelmTool : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(Run({"init", "lib/Demo.qvm"}).code, 0);
        ASSERT_EQ(Kelm({"partition", "add", "Resistors", "--kind", "part", "--default-scheme"}).code, 0);
        ASSERT_EQ(Kelm({"partition", "add", "Copies", "--kind", "part"}).code, 0);
        ASSERT_EQ(Kelm({"partition", "add", "Smd", "--kind", "cell", "--default-scheme"}).code, 0);
        ASSERT_EQ(Kelm({"partition", "add", "Gates", "--kind", "symbol", "--default-scheme"}).code, 0);
        ASSERT_EQ(Run({"celldb", "add", "lib/CellDBLibs/Smd.cel", "R0603", "--pins", "1,2", "--padstacks", "P1"}).code, 0);
        ASSERT_EQ(Run({"symbol", "add", "Gates", "RES", "--pins", "A,B", "-l", "lib/Demo.qvm"}).code, 0);
    }

    KelmResult Run(const std::vector<std::string>& args, const std::string& environment = {}) {
        return RunKelm(m_folder.Root(), args, environment);
    }
    // A command on the library as alice (or another user).
    KelmResult Kelm(std::vector<std::string> args, const std::string& user = "alice",
                    const std::string& environment = {}) {
        args.insert(args.begin(), {"-l", "lib/Demo.qvm", "-u", user});
        return Run(args, environment);
    }
    // The data of the --json document.
    json Json(std::vector<std::string> args, const std::string& user = "alice", const std::string& environment = {}) {
        args.insert(args.begin(), "--json");
        const KelmResult result = Kelm(args, user, environment);
        return json::parse(result.out, nullptr, false).value("data", json());
    }
    std::string Write(const std::string& name, const std::string& text) { return m_folder.File(name, text); }
    // The item count that info gives for a partition; -1 when it is not listed.
    int Items(const std::string& kind, const std::string& name) {
        const json info = Json({"info"});
        for (const auto& partition : info["partitions"][kind]) {
            if (partition.value("name", "") == name) return partition.value("items", -1);
        }
        return -1;
    }

    TempFolder m_folder;
};

TEST_F(KelmTool, InfoListsSchemesPartitionsWithCountsAndReservations) {
    ASSERT_EQ(Kelm({"reserve", "Smd", "--kind", "cell"}).code, 0);
    const json info = Json({"info"});
    ASSERT_FALSE(info.is_discarded());
    EXPECT_EQ(info["default_scheme"], "(Default)");
    ASSERT_EQ(info["partitions"]["symbol"].size(), 1u);
    EXPECT_EQ(info["partitions"]["symbol"][0]["name"], "Gates");
    EXPECT_EQ(info["partitions"]["symbol"][0]["items"], 1);
    EXPECT_EQ(Items("cell", "Smd"), 0);
    ASSERT_EQ(info["reservations"].size(), 1u);
    EXPECT_EQ(info["reservations"][0]["holder"], "alice");
    const KelmResult human = Kelm({"info"});
    EXPECT_EQ(human.code, 0);
    EXPECT_NE(human.out.find("Resistors  0 items"), std::string::npos) << human.out;
    EXPECT_NE(human.out.find("held by alice"), std::string::npos) << human.out;
}

// AddPartition and DeletePartition answer S_OK also when nothing changed:
// the tool looks, and says why.
TEST_F(KelmTool, PartitionEditsThatChangeNothingExitNonZeroAndSayWhy) {
    ASSERT_EQ(Kelm({"reserve", "Copies", "--kind", "part"}, "bob").code, 0);
    struct Case {
        std::vector<std::string> args;
        std::string user;
        int code;
        std::string says;  // on stderr
    };
    const std::vector<Case> cases = {
        {{"partition", "add", "Resistors", "--kind", "part"}, "alice", 1, "already exists; nothing changed"},
        {{"partition", "add", "../x", "--kind", "part"}, "alice", 3, "Refusing Partition Name (../x)"},
        {{"partition", "add", "a/b", "--kind", "cell"}, "alice", 3, "0x80041009"},
        {{"partition", "delete", "Nothing", "--kind", "part"}, "alice", 1, "no part partition 'Nothing'"},
        {{"partition", "delete", "Copies", "--kind", "part"}, "alice", 3, "reserved by 'bob', nothing changed"},
        {{"partition", "delete", "Copies", "--kind", "part"}, "bob", 0, "deleted"},  // its holder may
        {{"partition", "delete", "Resistors", "--kind", "part"}, "alice", 0, "deleted"},
    };
    for (const Case& c : cases) {
        const KelmResult result = Kelm(c.args, c.user);
        EXPECT_EQ(result.code, c.code) << c.args[2] << " " << c.args[1] << " as " << c.user << ": " << result.err;
        EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
    }
    EXPECT_TRUE(Json({"info"})["partitions"]["part"].empty());
    EXPECT_EQ(Json({"info"})["partitions"]["cell"].size(), 1u);
}

// Who the tool works as: -u, KELM_USER, then the login name; never nobody.
TEST_F(KelmTool, TheUserComesFromTheOptionTheEnvironmentOrTheLoginAndIsNeverEmpty) {
    const std::string noLogin = "env -u USER -u USERNAME -u LOGNAME -u KELM_USER";
    // The holder a reservation gets (released again), or the exit code.
    const auto holder = [&](const std::string& environment, const std::vector<std::string>& user) {
        std::vector<std::string> args = {"-l", "lib/Demo.qvm"};
        args.insert(args.end(), user.begin(), user.end());
        args.insert(args.end(), {"reserve", "Smd", "--kind", "cell"});
        const KelmResult reserved = Run(args, environment);
        if (reserved.code != 0) return json(reserved.code);
        const json name = Json({"holder", "Smd", "--kind", "cell"})["holder"];
        Kelm({"release", "Smd", "--kind", "cell"}, name.get<std::string>());
        return name;
    };
    EXPECT_EQ(holder(noLogin + " KELM_USER=carol USER=dave", {"-u", "erin"}), "erin");
    EXPECT_EQ(holder(noLogin + " KELM_USER=carol USER=dave", {}), "carol");
    EXPECT_EQ(holder(noLogin + " KELM_USER= LOGNAME=frank", {}), "frank");
    EXPECT_FALSE(holder(noLogin, {}).is_number());  // the password database names the user
    EXPECT_EQ(holder(noLogin + " KELM_USER=carol", {"-u", ""}), json(2));
    // KELM_LIBRARY stands in for -l.
    const KelmResult viaEnvironment = RunKelm(m_folder.Root(), {"-u", "a", "count", "Smd", "-k", "cell"},
                                              "KELM_LIBRARY=lib/Demo.qvm");
    EXPECT_EQ(viaEnvironment.out, "0\n") << viaEnvironment.err;
}

TEST_F(KelmTool, NamesSomeSystemCannotStoreAreRefusedAndNothingIsAdded) {
    for (const char* name : {"con", "Spare.", "COM1.pdb"}) {
        const KelmResult refused = Kelm({"partition", "add", name, "--kind", "part"});
        EXPECT_EQ(refused.code, 3) << name;
        EXPECT_NE(refused.err.find("0x80041009"), std::string::npos) << refused.err;
    }
    EXPECT_EQ(Run({"-l", "lib/Demo.qvm", "symbol", "add", "Gates", "NUL", "--pins", "A"}).code, 3);
    EXPECT_EQ(Json({"info"})["partitions"]["part"].size(), 2u);
}

// Every query on a small library: human output, one field of the --json
// document, and the exit code (0 answer, 1 negative answer, 3 failure).
TEST_F(KelmTool, QueriesPrintHumanAndJsonAnswersWithTheirExitCodes) {
    Write("cells.csv", "name,pins\nR0603,\"1,2\"\n");
    Write("parts.csv", "number,cells,symbols,pins\nR1,R0603,\"Gates:RES[A,B]\",\"1,2\"\n");
    ASSERT_EQ(Kelm({"import", "cells", "cells.csv", "-p", "Smd", "--reserve"}).code, 0);
    ASSERT_EQ(Kelm({"import", "parts", "parts.csv", "-p", "Resistors", "--reserve"}).code, 0);
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string human;    // the whole of stdout without --json
        std::string pointer;  // a field of the --json document
        std::string value;    // ... as JSON text
    };
    const std::vector<Case> cases = {
        {{"schemes"}, 0, "(Default) (default)\n", "/data/schemes", R"j(["(Default)"])j"},
        {{"schemes", "--default"}, 0, "(Default)\n", "/data/default", R"j("(Default)")j"},
        {{"partitions", "-k", "part"}, 0, "Resistors\n", "/data/partitions", R"j(["Resistors"])j"},
        {{"partitions", "-k", "cell", "--paths"}, 0, "~lib/CellDBLibs/Smd\n", "/data/partitions/0", R"j("lib/CellDBLibs/Smd")j"},
        {{"partitions", "-k", "part", "-s", "Nope"}, 1, "", "/status/name", R"j("no such search scheme")j"},
        {{"items", "Resistors", "-k", "part", "-f", "r*"}, 0, "R1\n", "/data/items", R"j(["R1"])j"},
        {{"items", "Nope", "-k", "part"}, 1, "", "/data/items", "null"},
        {{"count", "Smd", "-k", "cell"}, 0, "1\n", "/data/count", "1"},
        {{"count", "Resistors", "-k", "part", "-f", "X*"}, 0, "0\n", "/data/count", "0"},
        {{"count", "Nope", "-k", "cell"}, 1, "", "/data/count", "null"},
        {{"find", "R1", "-k", "part"}, 0, "Resistors\n", "/data/partition", R"j("Resistors")j"},
        {{"find", "R0603", "-k", "cell"}, 0, "Smd\n", "/data/partition", R"j("Smd")j"},
        {{"find", "RES", "-k", "symbol"}, 0, "Gates\n", "/data/partition", R"j("Gates")j"},
        {{"find", "R9", "-k", "part"}, 1, "", "/data/partition", "null"},
        {{"find", "C9", "-k", "cell"}, 1, "", "/status/name", R"j("E_FAIL")j"},
        {{"find", "AND", "-k", "symbol"}, 1, "", "/data/partition", "null"},
        {{"exists", "R1", "-k", "part"}, 0, "yes\n", "/data/exists", "true"},
        {{"exists", "R1", "-k", "part", "-x", "Resistors"}, 1, "", "/data/exists", "false"},
        {{"exists", "R0603", "-k", "cell", "-p", "Smd"}, 0, "yes\n", "/data/exists", "true"},
        {{"exists", "R0603", "-k", "cell", "-x", "Smd"}, 1, "", "/data/exists", "false"},
        {{"pins", "R1", "-k", "part"}, 0, "2\n", "/data/pins", "2"},
        {{"pins", "RES", "-k", "symbol", "-p", "Gates"}, 0, "2\n", "/data/pins", "2"},
        {{"pins", "C9", "-k", "cell"}, 1, "", "/data/pins", "null"},
        {{"where-used", "R0603"}, 0, "R1\n", "/data/parts", R"j(["R1"])j"},
        {{"where-used", "C9"}, 0, "", "/data/parts", "[]"},
        {{"cell-partitions", "R0603"}, 0, "Smd\n", "/data/partitions", R"j(["Smd"])j"},
        {{"holder", "Smd", "-k", "cell"}, 0, "(free)\n", "/data/holder", "null"},
        {{"holder", "Nope", "-k", "cell"}, 1, "", "/data/holder", "null"},
        {{"reload"}, 0, "", "/data/reloaded", "true"},
        {{"export", "Smd", "-k", "cell"}, 0, "~partition,name,pins,timestamp,padstacks\nSmd,R0603,\"1,2\",", "", ""},
        {{"export", "Smd", "-k", "cell", "--format", "jsonl", "-o", "cells.jsonl"}, 0, "", "/data/exported", "1"},
        {{"export", "Smd", "-k", "cell"}, 0, "~Smd,R0603", "/data/records/0/pins", R"j(["1","2"])j"},
        {{"export", "Nope", "-k", "part"}, 1, "", "/data/partition", R"j("Nope")j"},
    };
    for (const Case& c : cases) {
        const std::string name = ::testing::PrintToString(c.args);
        const KelmResult human = Kelm(c.args);
        EXPECT_EQ(human.code, c.code) << name << human.err;
        if (c.human.starts_with("~")) {
            EXPECT_NE(human.out.find(c.human.substr(1)), std::string::npos) << name << human.out;
        } else {
            EXPECT_EQ(human.out, c.human) << name;
        }
        if (c.code != 0) {  // one line naming the answer
            EXPECT_EQ(std::count(human.err.begin(), human.err.end(), '\n'), 1) << name << human.err;
        }
        if (c.pointer.empty()) continue;
        std::vector<std::string> args = c.args;
        args.insert(args.begin(), "--json");
        const KelmResult machine = Kelm(args);
        EXPECT_EQ(machine.code, c.code) << name;
        const json document = json::parse(machine.out, nullptr, false);
        ASSERT_FALSE(document.is_discarded()) << name << machine.out;
        EXPECT_EQ(document.value(json::json_pointer(c.pointer), json()), json::parse(c.value)) << name << machine.out;
        EXPECT_EQ(document.value("ok", c.code != 0), c.code == 0) << name;
    }
}

// A failing store is a failure (exit 3, the status named), never "not found".
TEST_F(KelmTool, StoreFailuresExitThreeAndAreNeverNegativeAnswers) {
    Write("parts.csv", "number\nR1\n");
    ASSERT_EQ(Kelm({"import", "parts", "parts.csv", "-p", "Resistors", "--reserve"}).code, 0);
    Write("lib/PartsDBLibs/Resistors.pdb", "not a part file");
    Write("lib/CellDBLibs/Smd.cells", "not a cell catalog");
    for (const std::vector<std::string>& query :
         {std::vector<std::string>{"find", "R9", "-k", "part"}, {"find", "C9", "-k", "cell"},
          {"items", "Resistors", "-k", "part"}, {"count", "Resistors", "-k", "part", "-f", "R*"},
          {"pins", "R1", "-k", "part"}, {"export", "Smd", "-k", "cell"}}) {
        const KelmResult failed = Kelm(query);
        EXPECT_EQ(failed.code, 3) << query[0] << " " << query[1] << failed.err;
        EXPECT_NE(failed.err.find("failed with 0x80041006"), std::string::npos) << failed.err;
    }
}

TEST_F(KelmTool, CuratorRunAndRefreshStartTheToolFromTheFolderTheEnvironmentNames) {
    const std::string tool = "TQR_CURATOR_BIN=" + ShellQuote(std::filesystem::path(KELM_CURATOR_BINARY).parent_path().string());
    const KelmResult run = Kelm({"curator", "run", "--flow", "verify"}, "alice", tool);
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "");
    // The tool runs on its own: its report appears in LogFiles.
    const auto report = m_folder.Root() / "lib" / "LogFiles" / "Demo.verify.txt";
    for (int wait = 0; wait < 200 && !std::filesystem::exists(report); ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_TRUE(std::filesystem::exists(report));
    EXPECT_EQ(Json({"curator", "refresh", "Smd", "-k", "cell"}, "alice", tool)["started"], true);
    // No tool folder: the launch fails and says what to set.
    const std::string none = "TQR_CURATOR_BIN= TQR_COMMON_BIN=" + ShellQuote(m_folder.Path() + "none");
    const KelmResult missing = Kelm({"curator", "run", "--flow", "verify"}, "alice", none);
    EXPECT_EQ(missing.code, 3);
    EXPECT_NE(missing.err.find("0x80004005 (E_FAIL)"), std::string::npos) << missing.err;
    EXPECT_NE(missing.err.find("TQR_CURATOR_BIN"), std::string::npos) << missing.err;
}

TEST_F(KelmTool, ReservationsHolderReleaseAndAnotherUsersRefusal) {
    ASSERT_EQ(Kelm({"reserve", "Resistors", "--kind", "part"}, "bob").code, 0);
    EXPECT_EQ(Kelm({"holder", "Resistors", "--kind", "part"}).out, "bob\n");
    EXPECT_EQ(Json({"holder", "Resistors", "--kind", "part"})["holder"], "bob");
    const KelmResult taken = Kelm({"reserve", "Resistors", "--kind", "part"});
    EXPECT_EQ(taken.code, 3);
    EXPECT_NE(taken.err.find("held by 'bob'"), std::string::npos) << taken.err;
    ASSERT_EQ(Kelm({"release", "Resistors", "--kind", "part"}, "bob").code, 0);
    EXPECT_TRUE(Json({"holder", "Resistors", "--kind", "part"})["holder"].is_null());
}

TEST_F(KelmTool, ReadOnlyRefusesEveryEditAndChangesNothing) {
    for (const std::vector<std::string>& edit :
         {std::vector<std::string>{"partition", "add", "New", "--kind", "part"},
          std::vector<std::string>{"reserve", "Resistors", "--kind", "part"},
          std::vector<std::string>{"delete", "X", "--partition", "Resistors", "--kind", "part"},
          std::vector<std::string>{"save"}}) {
        std::vector<std::string> args = {"--read-only"};
        args.insert(args.end(), edit.begin(), edit.end());
        const KelmResult refused = Kelm(args);
        EXPECT_EQ(refused.code, 3) << edit[0];
        EXPECT_NE(refused.err.find("0x80041003 (read-only session)"), std::string::npos) << refused.err;
        EXPECT_NE(refused.err.find("--read-only"), std::string::npos);
    }
    EXPECT_EQ(Json({"info"})["partitions"]["part"].size(), 2u);
    EXPECT_TRUE(Json({"info"})["reservations"].empty());
}

TEST_F(KelmTool, ImportCsvReportsBadRowsByLineAndCountsAdjustedNames) {
    Write("parts.csv",
          "number,name,cells,symbols,pins\n"
          "R1,Res 1k,R0603,\"Gates:RES[A,B]\",\"1,2\"\n"
          "A\\B,Odd,R0603,,\"1,2\"\n"
          ",no number,,,\n"
          "R3,bad cell,\"R0603[1,2\",,\n"
          "R4,plain,,,\n");
    const KelmResult human = Kelm({"import", "parts", "parts.csv", "--partition", "Resistors", "--reserve"});
    EXPECT_EQ(human.code, 3) << human.err;
    EXPECT_NE(human.out.find("Imported 3 of 5 part types"), std::string::npos) << human.out;
    EXPECT_NE(human.out.find("Adjusted names: 1"), std::string::npos) << human.out;
    EXPECT_NE(human.out.find("line 4: no part number"), std::string::npos) << human.out;
    EXPECT_NE(human.out.find("line 5 (R3)"), std::string::npos) << human.out;
    EXPECT_NE(human.out.find("LogFiles"), std::string::npos);
    // The reservation taken for the run is given back.
    EXPECT_TRUE(Json({"info"})["reservations"].empty());
    EXPECT_EQ(Items("part", "Resistors"), 3);

    // Again with --overwrite, as JSON: the same rows fail, the others replace.
    const json summary = Json({"import", "parts", "parts.csv", "--partition", "Resistors", "--reserve", "--overwrite"});
    ASSERT_FALSE(summary.is_discarded());
    EXPECT_EQ(summary["imported"], 3);
    EXPECT_EQ(summary["adjusted"], 1);
    EXPECT_EQ(summary["failed"], 2);
    EXPECT_EQ(summary["failures"][0]["line"], 4);
    EXPECT_EQ(summary["saved"], true);

    // Without --overwrite the existing part numbers fail with the component's reason.
    const json clash = Json({"import", "parts", "parts.csv", "--partition", "Resistors", "--reserve"});
    EXPECT_EQ(clash["imported"], 0);
    ASSERT_EQ(clash["failures"].size(), 5u);
    EXPECT_EQ(clash["failures"][0].value("name", ""), "E_FAIL");
    EXPECT_NE(clash["failures"][0]["reason"].get<std::string>().find("already exists"), std::string::npos)
        << clash.dump();
}

TEST_F(KelmTool, ImportStrictStopsAtTheFirstBadRowAndJsonLinesCellsImport) {
    Write("parts.csv", "number\nP1\n\nP2\n");  // P2 is fine; the blank line is skipped
    Write("bad.csv", "number,timestamp\nP1,1\nP2,later\nP3,3\n");
    const json strict = Json({"import", "parts", "bad.csv", "-p", "Resistors", "--reserve", "--strict"});
    EXPECT_EQ(strict["stopped"], true);
    EXPECT_EQ(strict["saved"], false);
    EXPECT_EQ(strict["failures"][0]["line"], 3);
    EXPECT_EQ(Items("part", "Resistors"), 0);
    Write("cells.jsonl",
          "{\"name\":\"R0603\",\"pins\":[\"9\"]}\n"
          "{\"name\":\"C0402\",\"pins\":\"1,2\",\"timestamp\":100}\n"
          "{\"pins\":[]}\n");
    // C0402 is not in the cell file: the component adds it with the record's
    // pins but logs an error, so the row counts as failed.
    const json summary = Json({"import", "cells", "cells.jsonl", "--partition", "Smd", "--reserve"});
    EXPECT_EQ(summary["imported"], 1) << summary.dump();
    EXPECT_EQ(summary["failures"][0]["line"], 2);
    EXPECT_EQ(summary["failures"][0]["added"], true);
    EXPECT_EQ(summary["failures"][0]["reason"], "added with errors: Cell C0402 not found in CEL file");
    EXPECT_EQ(summary["failures"][1]["reason"], "no cell name");
    EXPECT_EQ(Items("cell", "Smd"), 2);
}

TEST_F(KelmTool, ImportIsRefusedOnAPartitionReservedByAnotherUserOrNotReserved) {
    Write("parts.csv", "number\nP1\n");
    const KelmResult free = Kelm({"import", "parts", "parts.csv", "-p", "Resistors"});
    EXPECT_EQ(free.code, 3);
    EXPECT_NE(free.err.find("is not reserved"), std::string::npos) << free.err;
    EXPECT_NE(free.err.find("--reserve"), std::string::npos);

    ASSERT_EQ(Kelm({"reserve", "Resistors", "--kind", "part"}, "bob").code, 0);
    const KelmResult refused = Kelm({"import", "parts", "parts.csv", "-p", "Resistors", "--reserve"});
    EXPECT_EQ(refused.code, 3);
    EXPECT_NE(refused.err.find("0x80041002 (partition reserved by another user)"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("reserved by 'bob'"), std::string::npos) << refused.err;
    EXPECT_EQ(Items("part", "Resistors"), 0);
    EXPECT_EQ(Json({"holder", "Resistors", "--kind", "part"})["holder"], "bob");
}

TEST_F(KelmTool, ExportThenImportIntoAnotherPartitionGivesTheSameItems) {
    Write("parts.jsonl",
          "{\"number\":\"R1\",\"name\":\"Res, 1k\",\"label\":\"R?\",\"type\":\"Resistor\",\"description\":\"say \\\"hi\\\"\","
          "\"timestamp\":11,\"cells\":[{\"name\":\"R0603\",\"pins\":[\"1\",\"2\"]}],"
          "\"symbols\":[{\"spec\":\"Gates:RES\",\"pins\":[\"A\",\"B\"]}]}\n"
          "{\"number\":\"R2\",\"timestamp\":12}\n");
    ASSERT_EQ(Kelm({"import", "parts", "parts.jsonl", "-p", "Resistors", "--reserve"}).code, 0);
    // Part numbers are unique in a library: export, delete the partition,
    // import the file into another partition, and export that one.
    for (const std::string format : {"csv", "jsonl"}) {
        const std::string file = "export." + format;
        const std::string source = format == "csv" ? "Resistors" : "Copies";
        const std::string target = format == "csv" ? "Copies" : "Again";
        const std::string original = Kelm({"export", source, "--kind", "part", "--format", format}).out;
        ASSERT_NE(original.find("R2"), std::string::npos) << original;
        ASSERT_EQ(Kelm({"export", source, "--kind", "part", "--format", format, "-o", file}).code, 0);
        ASSERT_EQ(Kelm({"partition", "delete", source, "--kind", "part"}).code, 0);
        if (target == "Again") {
            ASSERT_EQ(Kelm({"partition", "add", target, "--kind", "part"}).code, 0);
        }
        const KelmResult imported = Kelm({"import", "parts", file, "-p", target, "--reserve"});
        ASSERT_EQ(imported.code, 0) << imported.out << imported.err;
        std::string copy = Kelm({"export", target, "--kind", "part", "--format", format}).out;
        for (std::size_t at; (at = copy.find(target)) != std::string::npos;) copy.replace(at, target.size(), source);
        EXPECT_EQ(copy, original) << format;
    }
}

TEST_F(KelmTool, DeleteCopyAndMoveSaveAndAnswerNoItemWithExitOne) {
    Write("parts.csv", "number,cells,pins\nR1,R0603,\"1,2\"\n");
    ASSERT_EQ(Kelm({"import", "parts", "parts.csv", "-p", "Resistors", "--reserve"}).code, 0);
    ASSERT_EQ(Kelm({"reserve", "Resistors", "--kind", "part"}).code, 0);
    ASSERT_EQ(Kelm({"reserve", "Copies", "--kind", "part"}).code, 0);
    const KelmResult copied = Kelm({"copy", "R1", "--from", "Resistors", "--to", "Copies", "--as", "R1C", "--kind", "part"});
    EXPECT_EQ(copied.code, 0) << copied.err;
    // Part numbers are unique in a library: a moved part type takes a new number.
    const json moved = Json({"move", "R1C", "--from", "Copies", "--to", "Resistors", "--as", "R1M", "--kind", "part"});
    EXPECT_EQ(moved.value("moved", false), true) << moved.dump();
    EXPECT_EQ(Items("part", "Copies"), 0);
    EXPECT_EQ(Items("part", "Resistors"), 2);
    EXPECT_EQ(Kelm({"delete", "R1M", "-p", "Resistors", "--kind", "part"}).code, 0);
    const KelmResult none = Kelm({"delete", "R1M", "-p", "Resistors", "--kind", "part"});
    EXPECT_EQ(none.code, 1);
    EXPECT_NE(none.err.find("to delete"), std::string::npos) << none.err;
    EXPECT_EQ(Json({"delete", "R1M", "-p", "Resistors", "--kind", "part"})["deleted"], false);
}

TEST_F(KelmTool, FileCommandsNeverOverwriteAndPadstackWritesTheDefaultPadstack) {
    const KelmResult again = Run({"init", "lib/Demo.qvm"});
    EXPECT_EQ(again.code, 3);
    EXPECT_NE(again.err.find("0x80040005"), std::string::npos) << again.err;
    EXPECT_NE(again.err.find("never overwrites"), std::string::npos) << again.err;
    // The library is intact.
    EXPECT_EQ(Json({"info"})["partitions"]["part"].size(), 2u);
    EXPECT_EQ(Run({"padstackdb", "create", "pads.pdb"}).code, 0);
    EXPECT_EQ(Run({"padstackdb", "create", "pads.pdb"}).code, 3);
    const KelmResult padstack = Kelm({"padstack", "DEFAULT", "--file", "pads.pdb"});
    EXPECT_EQ(padstack.code, 0);
    EXPECT_EQ(padstack.out, "");
    EXPECT_EQ(Json({"padstack", "DEFAULT", "--file", "pads.pdb"})["padstack"], "DEFAULT");
    const KelmResult noFile = Kelm({"padstack", "DEFAULT", "--file", "none.pdb"});
    EXPECT_EQ(noFile.code, 3);
    EXPECT_NE(noFile.err.find("padstackdb create"), std::string::npos) << noFile.err;
    const KelmResult list = Run({"--json", "padstackdb", "list", "pads.pdb"});
    const json padstacks = json::parse(list.out, nullptr, false)["data"];
    ASSERT_EQ(padstacks["padstacks"].size(), 1u) << list.out;
    EXPECT_EQ(padstacks["padstacks"][0]["name"], "DEFAULT");
    EXPECT_EQ(padstacks["padstacks"][0]["type"], 3);
}

TEST_F(KelmTool, UsageErrorsExitTwoAndOpenFailuresNameTheStatus) {
    EXPECT_EQ(Run({"info"}).code, 2);
    EXPECT_EQ(Kelm({"holder", "Resistors", "--kind", "gadget"}).code, 2);
    EXPECT_EQ(Run({"nonsense"}).code, 2);
    const KelmResult typo = Run({"-l", "lib/Demo.qvm", "itme", "Resistors"});
    EXPECT_EQ(typo.code, 2);
    EXPECT_NE(typo.err.find("unknown command 'itme'; did you mean 'items'?"), std::string::npos) << typo.err;
    EXPECT_EQ(Run({"--help"}).code, 0);
    const KelmResult help = Run({"import", "parts", "--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("AddItemToQVM_Part"), std::string::npos);
    EXPECT_NE(help.out.find("-l,--library FILE"), std::string::npos) << help.out;  // the global options too
    const KelmResult badName = Run({"-l", "lib/Demo.txt", "holder", "X", "--kind", "part"});
    EXPECT_EQ(badName.code, 3);
    EXPECT_NE(badName.err.find("0x80070057 (E_INVALIDARG)"), std::string::npos) << badName.err;
    const KelmResult missing = Run({"-l", "lib/None.qvm", "--json", "holder", "X", "--kind", "part"});
    EXPECT_EQ(missing.code, 3);
    const json error = json::parse(missing.out, nullptr, false);
    EXPECT_EQ(error["status"]["value"], "0x80004005");
    EXPECT_EQ(error["status"]["name"], "E_FAIL");
    Write("empty.csv", "");
    EXPECT_EQ(Kelm({"import", "parts", "empty.csv", "-p", "Resistors"}).code, 2);
}

}  // namespace
}  // namespace kelm::testing

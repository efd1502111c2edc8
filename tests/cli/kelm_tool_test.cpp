// End-to-end: the built kelm binary on a small library.
#include <chrono>
#include <thread>

#include "SmallLibrary.h"

namespace kelm::testing {
namespace {

using nlohmann::json;

using KelmTool = SmallLibrary;

// AddPartition and DeletePartition answer S_OK also when nothing changed:
// the tool looks, and says why. Names some system cannot store are refused.
TEST_F(KelmTool, PartitionEditsThatChangeNothingExitNonZeroAndSayWhy) {
    ASSERT_EQ(Kelm({"reserve", "Caps", "--kind", "part"}, "bob").code, 0);
    const KelmResult human = Kelm({"info"});
    EXPECT_NE(human.out.find("Res  0 items"), std::string::npos) << human.out;
    EXPECT_NE(human.out.find("held by bob"), std::string::npos) << human.out;
    EXPECT_EQ(Json({"info"})["reservations"][0]["holder"], "bob");
    struct Case {
        std::vector<std::string> args;
        std::string user;
        int code;
        std::string says;  // on stderr
    };
    const std::vector<Case> cases = {
        {{"partition", "add", "Res", "--kind", "part"}, "alice", 1, "already exists; nothing changed"},
        {{"partition", "add", "../x", "--kind", "part"}, "alice", 3, "Refusing Partition Name (../x)"},
        {{"partition", "add", "a/b", "--kind", "cell"}, "alice", 3, "0x80041009"},
        {{"partition", "add", "con", "--kind", "part"}, "alice", 3, "0x80041009"},
        {{"partition", "add", "Spare.", "--kind", "part"}, "alice", 3, "0x80041009"},
        {{"partition", "add", "COM1.pdb", "--kind", "part"}, "alice", 3, "0x80041009"},
        {{"symbol", "add", "Gates", "NUL", "--pins", "A"}, "alice", 3, "0x8004"},
        {{"partition", "delete", "Nothing", "--kind", "part"}, "alice", 1, "no part partition 'Nothing'"},
        {{"partition", "delete", "Caps", "--kind", "part"}, "alice", 3, "reserved by 'bob', nothing changed"},
        {{"reserve", "Caps", "--kind", "part"}, "alice", 3, "held by 'bob'"},
        {{"partition", "delete", "Caps", "--kind", "part"}, "bob", 0, "deleted"},  // its holder may
        {{"partition", "delete", "Res", "--kind", "part"}, "alice", 0, "deleted"},
    };
    for (const Case& c : cases) {
        const KelmResult result = Kelm(c.args, c.user);
        EXPECT_EQ(result.code, c.code) << ::testing::PrintToString(c.args) << " as " << c.user << ": " << result.err;
        EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
    }
    const json info = Json({"info"});
    EXPECT_TRUE(info["partitions"]["part"].empty());
    EXPECT_EQ(info["partitions"]["cell"].size(), 1u);
    EXPECT_EQ(info["partitions"]["symbol"][0]["items"], 1);
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
    const KelmResult viaEnvironment = Run({"-u", "a", "count", "Smd", "-k", "cell"}, "KELM_LIBRARY=lib/Demo.qvm");
    EXPECT_EQ(viaEnvironment.out, "0\n") << viaEnvironment.err;
}

// A failing store is a failure (exit 3, the status named), never "not found".
TEST_F(KelmTool, StoreFailuresExitThreeAndAreNeverNegativeAnswers) {
    ImportParts("number\nR1\n");
    Write("lib/PartsDBLibs/Res.pdb", "not a part file");
    Write("lib/CellDBLibs/Smd.cells", "not a cell catalog");
    for (const std::vector<std::string>& query :
         {std::vector<std::string>{"find", "R9", "-k", "part"}, {"find", "C9", "-k", "cell"},
          {"items", "Res", "-k", "part"}, {"count", "Res", "-k", "part", "-f", "R*"},
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

TEST_F(KelmTool, ReadOnlyRefusesEveryEditAndChangesNothing) {
    for (const std::vector<std::string>& edit :
         {std::vector<std::string>{"partition", "add", "New", "--kind", "part"},
          std::vector<std::string>{"reserve", "Res", "--kind", "part"},
          std::vector<std::string>{"delete", "X", "--partition", "Res", "--kind", "part"},
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

TEST_F(KelmTool, FileCommandsNeverOverwriteAndPadstackWritesTheDefaultPadstack) {
    const KelmResult again = Run({"init", "lib/Demo.qvm"});
    EXPECT_EQ(again.code, 3);
    EXPECT_NE(again.err.find("0x80040005"), std::string::npos) << again.err;
    EXPECT_NE(again.err.find("never overwrites"), std::string::npos) << again.err;
    EXPECT_EQ(Json({"info"})["partitions"]["part"].size(), 2u);  // the library is intact
    EXPECT_EQ(Run({"padstackdb", "create", "pads.pdb"}).code, 0);
    EXPECT_EQ(Run({"padstackdb", "create", "pads.pdb"}).code, 3);
    EXPECT_EQ(Json({"padstack", "DEFAULT", "--file", "pads.pdb"})["padstack"], "DEFAULT");
    const KelmResult noFile = Kelm({"padstack", "DEFAULT", "--file", "none.pdb"});
    EXPECT_EQ(noFile.code, 3);
    EXPECT_NE(noFile.err.find("padstackdb create"), std::string::npos) << noFile.err;
    const json padstacks = json::parse(Run({"--json", "padstackdb", "list", "pads.pdb"}).out, nullptr, false)["data"];
    ASSERT_EQ(padstacks["padstacks"].size(), 1u) << padstacks.dump();
    EXPECT_EQ(padstacks["padstacks"][0]["name"], "DEFAULT");
    EXPECT_EQ(padstacks["padstacks"][0]["type"], 3);
}

TEST_F(KelmTool, UsageErrorsExitTwoAndOpenFailuresNameTheStatus) {
    EXPECT_EQ(Run({"info"}).code, 2);
    const KelmResult typo = Run({"-l", "lib/Demo.qvm", "itme", "Res"});
    EXPECT_EQ(typo.code, 2);
    EXPECT_NE(typo.err.find("unknown command 'itme'; did you mean 'items'?"), std::string::npos) << typo.err;
    const KelmResult help = Run({"import", "parts", "--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("AddItemToQVM_Part"), std::string::npos);
    EXPECT_NE(help.out.find("-l,--library FILE"), std::string::npos) << help.out;  // the global options too
    const KelmResult badName = Run({"-l", "lib/Demo.txt", "holder", "X", "--kind", "part"});
    EXPECT_EQ(badName.code, 3);
    EXPECT_NE(badName.err.find("0x80070057 (E_INVALIDARG)"), std::string::npos) << badName.err;
    const json missing = json::parse(Run({"-l", "lib/None.qvm", "--json", "holder", "X", "--kind", "part"}).out, nullptr, false);
    EXPECT_EQ(missing["status"]["value"], "0x80004005");
    EXPECT_EQ(missing["status"]["name"], "E_FAIL");
    Write("empty.csv", "");
    EXPECT_EQ(Kelm({"import", "parts", "empty.csv", "-p", "Res"}).code, 2);
}

}  // namespace
}  // namespace kelm::testing

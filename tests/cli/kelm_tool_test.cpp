// End-to-end: the built kelm binary on a small library.
#include <pwd.h>
#include <unistd.h>
#include "SmallLibrary.h"

namespace kelm::testing {
namespace {
using nlohmann::json;
using KelmTool = SmallLibrary;
// AddPartition and DeletePartition answer S_OK also when nothing changed:
// the tool looks, and says why. Names some system cannot store are refused.
TEST_F(KelmTool, PartitionEditsThatChangeNothingExitNonZeroAndSayWhy) {
    ASSERT_EQ(Kelm({"reserve", "Caps", "--kind", "part"}, "bob").code, 0);
    ExpectAll({  // says: on stderr
        {{"info"}, 0, {"Res  0 items", "held by bob"}},
        {{"partition", "add", "Res", "--kind", "part"}, 1, {"already exists; nothing changed"}},
        {{"partition", "add", "../x", "--kind", "part"}, 3, {"Refusing Partition Name (../x)"}},
        {{"partition", "add", "COM1.pdb", "--kind", "part"}, 3, {"0x80041009"}},
        {{"symbol", "add", "Gates", "NUL", "--pins", "A"}, 3, {"0x8004"}},
        {{"partition", "delete", "Nothing", "--kind", "part"}, 1, {"no part partition 'Nothing'"}},
        {{"partition", "delete", "Caps", "--kind", "part"}, 3, {"reserved by 'bob', nothing changed"}},
        {{"reserve", "Caps", "--kind", "part"}, 3, {"held by 'bob'"}},
        {{"partition", "delete", "Caps", "--kind", "part"}, 0, {"deleted"}, "bob"},  // its holder may
        {{"partition", "delete", "Res", "--kind", "part"}, 0, {"deleted"}},
    });
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
    EXPECT_EQ(holder(noLogin, {}), ::getpwuid(::getuid())->pw_name);  // the password database names the user
    EXPECT_EQ(holder(noLogin + " KELM_USER=carol", {"-u", ""}), json(2));
    const KelmResult viaEnvironment = Run({"-u", "a", "count", "Smd", "-k", "cell"}, "KELM_LIBRARY=lib/Demo.qvm");
    EXPECT_EQ(viaEnvironment.out, "0\n") << viaEnvironment.err;
}
// Part numbers are unique: a part type moves only under a new number, and the tool says so before touching
// anything. Failures exit 3 and name their status (never "not found"); usage errors exit 2; --read-only
// refuses every edit.
TEST_F(KelmTool, FailuresNameTheirStatusAndWhatToDo) {
    ImportParts("number\nR1\nR2\n");
    ExpectAll({
        {{"move", "R1", "--from", "Res", "--to", "Caps", "-k", "part"}, 3, {"0x80040005", "'R1' is in 'Res'", "--as NEW"}},
        {{"move", "R1", "--from", "Res", "--to", "Caps", "-k", "part", "--as", "R2"}, 3, {"'R2' is already in 'Res'"}},
        {{"holder", "Caps", "-k", "part"}, 0, {"(free)"}},
        {{"move", "R1", "--from", "Res", "--to", "Caps", "-k", "part", "--as", "R1N"}, 0, {}},
    });
    EXPECT_EQ(Items("Caps"), std::vector<std::string>{"R1N"});
    EXPECT_EQ(Items("Res"), std::vector<std::string>{"R2"});
    Write("lib/PartsDBLibs/Res.pdb", "not a part file");
    Write("lib/CellDBLibs/Smd.cells", "not a cell catalog");
    const std::string tool = "TQR_CURATOR_BIN= TQR_COMMON_BIN=" + ShellQuote(m_folder.Path() + "none");
    ExpectAll({  // on stderr (or stdout)
        {{"find", "R9", "-k", "part"}, 3, {"failed with 0x80041006"}},
        {{"export", "Smd", "-k", "cell"}, 3, {"failed with 0x80041006"}},
        {{"--read-only", "partition", "add", "New", "--kind", "part"}, 3, {"0x80041003 (read-only session)", "--read-only"}},
        {{"--read-only", "reserve", "Gates", "--kind", "symbol"}, 3, {"0x80041003 (read-only session)"}},
        {{"curator", "run", "--flow", "verify"}, 3,
         {"0x80004005 (E_FAIL)", "TQR_CURATOR_BIN", "Error: Kelmstore Curator is not installed.\n"}, "alice", tool},  // the message box, without a desktop
        {{"padstack", "DEFAULT", "--file", "none.pdb"}, 3, {"padstackdb create"}},
        {{"itme", "Res"}, 2, {"unknown command 'itme'; did you mean 'items'?"}},
        {{"init", "lib/Demo.qvm"}, 3, {"never overwrites"}},
        {{"import", "parts", "--help"}, 0, {"-l,--library FILE"}},  // on stdout, with the global options
    });
    EXPECT_TRUE(Json({"info"})["reservations"].empty());
    EXPECT_EQ(Json({"info"})["partitions"]["part"].size(), 2u);  // the library is intact
    const KelmResult badName = Run({"-l", "lib/Demo.txt", "holder", "X", "--kind", "part"});
    EXPECT_EQ(badName.code, 3);
    EXPECT_NE(badName.err.find("0x80070057 (E_INVALIDARG)"), std::string::npos) << badName.err;
}
}  // namespace
}  // namespace kelm::testing

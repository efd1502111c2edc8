// CuratorCommand.exe: its command lines, exit codes, and the refresh and verify flows on copies of the
// example library with known defects.
#include <gtest/gtest.h>
#include <array>
#include <sstream>
#include "CuratorTool.h"
#include "store/items/KelmServer.h"
#include "support/TempFolder.h"

namespace kelm::curator {
namespace {
using testing::ReadFileBytes;
using testing::TempFolder;
// A copy of the example library, which verifies clean.
class CuratorToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::CopyTree(std::filesystem::path(KELM_SOURCE_DIR) / "examples" / "library", temp.Root());
        qvm = temp.Path() + "Demo.qvm";
    }
    // Rewrites Resistors.pdb as R-0603-10K and copies of it, each under another number with one text replaced.
    void WriteResistors(const std::vector<std::array<std::string, 3>>& copies) {  // number, from, to
        std::istringstream lines(ReadFileBytes(temp.Root() / "PartsDBLibs" / "Resistors.pdb"));
        std::string record;
        std::getline(lines, record);  // the header
        std::getline(lines, record);
        std::string records = record + "\n";
        for (const auto& [number, from, to] : copies) {
            std::string copy = record;
            copy.replace(copy.find(from), from.size(), to);
            records += copy.replace(copy.find("R-0603-10K"), 10, number) + "\n";
        }
        temp.File("PartsDBLibs/Resistors.pdb", "{\"kelm\":\"parts\",\"version\":1,\"lines\":" +
                                                   std::to_string(copies.size() + 1) + "}\n" + records);
    }
    int Run(const std::vector<std::string>& arguments) {
        out.str("");
        err.str("");
        return RunTool(arguments, out, err);
    }
    int Verify() { return Run({"-qvmfile=" + qvm, "-command=run", "-args=verify;"}); }
    std::string Report() const { return ReadFileBytes(temp.Root() / "LogFiles" / "Demo.verify.txt"); }
    TempFolder temp;
    std::string qvm;
    std::ostringstream out, err;
};
TEST_F(CuratorToolTest, CommandLinesAndUsageErrors) {
    const std::string file = "-qvmfile=" + qvm, missing = "-qvmfile=" + (temp.Root() / "Missing.qvm").string();
    const struct { std::vector<std::string> arguments; const char* message; } cases[] = {
        {{}, ""},
        {{"-qvmfile=", "-command=run", "-args=verify;"}, ""},  // no library open
        {{file, "-command=rerun", "-args=verify;"}, ""},
        {{file, "-command=run"}, ""},
        {{file, "-command=run", "-args=verify"}, ""},  // no ';'
        {{file, "-verbose", "-command=run", "-args=verify;"}, "unknown argument \"-verbose\""},
        {{file, "-command=run", "-args=my", "flow;"}, "unknown flow \"my flow\""},
        {{missing, "-command=run", "-args=verify;"}, "cannot open library"},
        {{file, "-command=refreshqvm", "-args=Resistors;;;"}, ""},  // kind unknown
        {{file, "-command=refreshqvm", "-args=Resistors;;gates;"}, ""},
        {{file, "-command=refreshqvm", "-args=Resistors;parts;"}, ""},
        {{file, "-command=refreshqvm", "-args=Nowhere;;parts;"}, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(kExitUsage, Run(c.arguments)) << c.arguments.size();
        EXPECT_NE(std::string::npos, err.str().find(c.message)) << err.str();
    }
}
TEST_F(CuratorToolTest, VerifyNamesEveryDefect) {
    WriteResistors({{"R2", "\"RES0603\"", "\"NOPE\""},
                    {"R3", "\"pins\":[\"1\",\"2\"],\"name\"", "\"pins\":[\"1\",\"2\",\"3\"],\"name\""},
                    {"R4", "Passives:RES", "Passives:MISSING"}});
    temp.File("SymbolLibs/Gates/sym/BAD.1", "not a symbol\n");
    temp.File("PartsDBLibs/Extra.pdb", "{\"kelm\":\"parts\",\"version\":1,\"lines\":0}\n");
    temp.File("SymbolLibs/Loose/sym/X.1", "");
    std::string config = ReadFileBytes(qvm);
    config.replace(config.find("\"PartsDBLibs\\\\Resistors.pdb\""), 0, "\"PartsDBLibs\\\\Gone.pdb\",");
    temp.File("Demo.qvm", config);
    EXPECT_EQ(kExitProblems, Verify()) << err.str();
    const std::string report = Report();
    for (const char* expected :
         {"missing cell: part type R2 in PartsDBLibs\\Resistors.pdb refers to cell NOPE",
          "pin count: part type R3 in PartsDBLibs\\Resistors.pdb has 3 pins, but none of its cells has that many "
          "(RES0603 2).",
          "missing symbol: part type R4 in PartsDBLibs\\Resistors.pdb refers to symbol Passives:MISSING",
          "missing partition: search scheme (Default) lists PartsDBLibs\\Gone.pdb",
          "unlisted partition: PartsDBLibs\\Extra.pdb is on disk", "unlisted partition: SymbolLibs\\Loose is on disk",
          "unreadable file: ", "BAD.1", "7 problems found."}) {
        EXPECT_NE(std::string::npos, report.find(expected)) << expected << "\n" << report;
    }
    EXPECT_EQ(std::string::npos, report.find("R-0603-10K ")) << report;
    EXPECT_EQ(Report(), out.str());
    temp.File("Demo.qvm", "{\"kelm\":\"library\",\"version\":1,\"lines\":3}\n");  // a configuration that does not parse
    EXPECT_EQ(kExitProblems, Verify()) << err.str();
    EXPECT_NE(std::string::npos, Report().find("unreadable file: ")) << Report();
}
TEST_F(CuratorToolTest, AStoreThatCannotStartFailsBothFlowsSayingSo) {
    store::SetDefaultBackendFactory([] { return std::shared_ptr<store::StoreBackend>(); });
    const int verify = Verify();
    const std::string verifyError = err.str();
    const int refresh = Run({"-qvmfile=" + qvm, "-command=refreshqvm", "-args=Resistors;;parts;"});
    store::SetDefaultBackendFactory({});
    EXPECT_EQ(kExitUsage, verify);
    EXPECT_EQ("CuratorCommand: the library store cannot be started\n", verifyError);
    EXPECT_EQ(kExitUsage, refresh);
    EXPECT_NE(std::string::npos, err.str().find("cannot open library " + qvm + ": ")) << err.str();
}
TEST_F(CuratorToolTest, RefreshRereadsOnePartitionAndLeavesReservationsAlone) {
    const std::string reservations =
        "{\"kelm\":\"reservations\",\"version\":1,\"lines\":1}\n"
        "{\"partition\":\"PartsDBLibs\\\\Resistors.pdb\",\"holder\":\"alice\"}\n";
    temp.File("Demo.reservations", reservations);
    EXPECT_EQ(kExitClean, Run({"-qvmfile=" + qvm, "-command=refreshqvm", "-args=Resistors;;parts;"})) << err.str();
    EXPECT_EQ("Refreshed PartsDBLibs\\Resistors.pdb: 2 items, reserved by alice.\n", out.str());
    EXPECT_EQ(kExitClean, Run({"-qvmfile=" + qvm, "-command=refreshqvm", "-args=Gates;;symbols;"})) << err.str();
    EXPECT_EQ("Refreshed SymbolLibs\\Gates: 2 items, not reserved.\n", out.str());
    EXPECT_EQ(out.str(), ReadFileBytes(temp.Root() / "LogFiles" / "Demo.refresh.txt"));
    EXPECT_EQ(kExitClean, Run({"-qvmfile=" + qvm, "-command=refreshqvm", "-args=CellDBLibs\\Smd.cel;;;"})) << err.str();
    EXPECT_EQ(reservations, ReadFileBytes(temp.Root() / "Demo.reservations"));
    EXPECT_FALSE(std::filesystem::exists(temp.Root() / "Demo.lock"));
    temp.File("PartsDBLibs/Resistors.pdb", "{\"kelm\":\"parts\",\"version\":1,\"lines\":2}\n");
    EXPECT_EQ(kExitProblems, Run({"-qvmfile=" + qvm, "-command=refreshqvm", "-args=Resistors;;parts;"}));
    EXPECT_NE(std::string::npos, err.str().find("Resistors.pdb")) << err.str();
}
}  // namespace
}  // namespace kelm::curator

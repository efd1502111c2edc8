// The Curator launcher, with process creation, the message box and the environment replaced.
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include "platform/Environment.h"
#include "platform/MessageBox.h"
#include "platform/Process.h"
#include "session/CuratorLauncher.h"
#include "session/LibrarySession.h"
#include "store/file/LibraryTools.h"
#include "support/TempFolder.h"

namespace kelm {
namespace {
using testing::ReadFileBytes;
using testing::TempFolder;
class CuratorLauncherTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetEnvironmentForTesting([this](const std::string& name) {
            return environment.count(name) ? std::optional(environment[name]) : std::nullopt;
        });
        platform::SetProcessStarterForTesting([this](const std::string& commandLine) {
            started.push_back(commandLine);
            return startSucceeds;
        });
        platform::SetMessageBoxForTesting([this](const std::string& text, const std::string& caption) {
            boxes.push_back(caption + "|" + text);
        });
    }
    void TearDown() override {
        platform::SetEnvironmentForTesting({});
        platform::SetProcessStarterForTesting({});
        platform::SetMessageBoxForTesting({});
    }
    // A folder that holds the tool; returned without a trailing separator.
    std::string ToolFolder(const std::string& name) {
        temp.File(name + "/CuratorCommand.exe", "tool");
        return (temp.Root() / name).string();
    }
    std::string LogBytes() const { return ReadFileBytes(temp.Root() / "LogFiles" / "QuorKelm.log"); }
    TempFolder temp;
    std::map<std::string, std::string> environment;
    std::vector<std::string> started;
    std::vector<std::string> boxes;
    bool startSucceeds = true;
    LibrarySession session;
};
TEST_F(CuratorLauncherTest, ToolFolderComesFromTheCuratorVariableFirst) {
    std::string folder = "stale";
    EXPECT_EQ(E_FAIL, FindCuratorBinFolder(folder));
    EXPECT_EQ("", folder);
    const struct { const char* curator; const char* common; const char* folder; } cases[] = {
        {nullptr, "D:\\Common", "D:\\Common\\"},
        {"C:\\Tools", "D:\\Common", "C:\\Tools\\"},
        {"C:\\Tools\\", nullptr, "C:\\Tools\\"},  // no second backslash
        {"", "D:\\Common", "D:\\Common\\"},       // set but empty: the common folder is used
    };
    for (const auto& c : cases) {
        environment.clear();
        if (c.curator) environment["TQR_CURATOR_BIN"] = c.curator;
        if (c.common) environment["TQR_COMMON_BIN"] = c.common;
        EXPECT_EQ(S_OK, FindCuratorBinFolder(folder));
        EXPECT_EQ(c.folder, folder);
        std::string toolPath;
        EXPECT_EQ(S_OK, FindPathToCuratorCommand(session, toolPath));
        EXPECT_EQ(std::string(c.folder) + "CuratorCommand.exe", toolPath);
    }
}
TEST_F(CuratorLauncherTest, CommandLinesByteForByte) {
    const std::string folder = ToolFolder("tools");
    environment["TQR_CURATOR_BIN"] = folder;
    const std::string tool = folder + "\\CuratorCommand.exe";
    // Works with no library open; the library named is neither the open one
    // nor tested. Only the library file is quoted; nothing is escaped.
    EXPECT_EQ(S_OK, RunCurator(session, "C:\\My Libs\\Main Lib.qvm", "my flow"));
    EXPECT_EQ(tool + " -qvmfile=\"C:\\My Libs\\Main Lib.qvm\" -command=run -args=my flow;", started.back());
    EXPECT_EQ(S_OK, RunCurator(session, "a\"b%s\\", "x;y"));
    EXPECT_EQ(tool + " -qvmfile=\"a\"b%s\\\" -command=run -args=x;y;", started.back());
    environment["TQR_CURATOR_BIN"] = "C:\\Tools";  // refresh makes no existence test
    const std::string library = temp.Path() + "Main Lib/Main Lib.qvm";
    ASSERT_EQ(S_OK, store::CreateLibrary(library));
    const struct { const char* partition; long kind; const char* args; } cases[] = {
        {"Resistors", KelmEnum_ObjType_PartType, "Resistors;;parts;"},
        {"Smd Cells", KelmEnum_ObjType_Cell, "Smd Cells;;cells;"},
        {"Logic", KelmEnum_ObjType_LogicSymbol, "Logic;;symbols;"},
        {"Resistors", 0, "Resistors;;;"},
        {"", 99, ";;;"},
    };
    for (const std::string& file : {std::string(), library, std::string()}) {  // before open, open, after close
        if (!file.empty()) {
            ASSERT_EQ(S_OK, session.Open(file, "alice", 0));
        }
        for (const auto& c : cases) {
            EXPECT_EQ(S_OK, RefreshQVMTree(session, c.partition, static_cast<KelmEnum_ObjType>(c.kind)));
            EXPECT_EQ("C:\\Tools\\CuratorCommand.exe -qvmfile=\"" + file + "\" -command=refreshqvm -args=" + c.args,
                      started.back());
        }
        session.Close();
    }
    EXPECT_TRUE(boxes.empty());
}
// Each failure: the status, what started, the boxes shown, the log lines.
TEST_F(CuratorLauncherTest, FailuresShowOrLogExactlyOnce) {
    session.Log().Start(temp.Path(), "QuorKelm", "KelmAPI");
    const std::string noFolder = std::string("(ERROR)   KelmAPI        FindPathToCuratorCommand") +
                                 std::string(11, ' ') + " - Cannot find path to the CuratorCommand.exe\r\n";
    // No tool folder at all: one error line a call, nothing starts.
    EXPECT_EQ(E_FAIL, RunCurator(session, "C:\\Libs\\Main.qvm", "verify"));
    EXPECT_EQ(E_FAIL, RefreshQVMTree(session, "Resistors", KelmEnum_ObjType_PartType));
    EXPECT_TRUE(started.empty());
    const std::string log = LogBytes();
    ASSERT_EQ(2 * (20 + noFolder.size()), log.size()) << log;
    EXPECT_EQ(noFolder, log.substr(20, noFolder.size()));
    EXPECT_EQ(noFolder, log.substr(20 + noFolder.size() + 20));
    LibrarySession unbound;  // the line is dropped, the call still fails
    EXPECT_EQ(E_FAIL, RunCurator(unbound, "C:\\Libs\\Main.qvm", "verify"));
    // The curator variable wins even where the tool is missing: RunCurator
    // tests the tool and shows the box; RefreshQVMTree tries and fails quietly.
    environment["TQR_CURATOR_BIN"] = (temp.Root() / "empty").string();
    environment["TQR_COMMON_BIN"] = ToolFolder("common");
    startSucceeds = false;
    EXPECT_EQ(E_FAIL, RunCurator(session, "C:\\Libs\\Main.qvm", "verify"));
    EXPECT_TRUE(started.empty());
    EXPECT_EQ(std::vector<std::string>{"Error|Kelmstore Curator is not installed."}, boxes);
    EXPECT_EQ(E_FAIL, RefreshQVMTree(session, "Resistors", KelmEnum_ObjType_PartType));
    ASSERT_EQ(1u, started.size());
    EXPECT_EQ(0u, started[0].find(environment["TQR_CURATOR_BIN"] + "\\CuratorCommand.exe "));
    // A process that cannot be started fails both methods, without a box or a line.
    environment["TQR_CURATOR_BIN"] = ToolFolder("tools");
    EXPECT_EQ(E_FAIL, RunCurator(session, "C:\\Libs\\Main.qvm", "verify"));
    EXPECT_EQ(E_FAIL, LaunchHidden("anything"));
    EXPECT_EQ(3u, started.size());
    EXPECT_EQ(1u, boxes.size());
    EXPECT_EQ(log, LogBytes());
}
}  // namespace
}  // namespace kelm

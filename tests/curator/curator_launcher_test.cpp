// The Curator launcher: where the tool is looked for, the two command lines
// byte for byte, and what each failure shows or logs. Process creation, the
// message box and the environment are replaced by the test.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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
        platform::SetEnvironmentForTesting([this](const std::string& name) -> std::optional<std::string> {
            const auto found = environment.find(name);
            if (found == environment.end()) return std::nullopt;
            return found->second;
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

    environment["TQR_COMMON_BIN"] = "D:\\Common";
    EXPECT_EQ(S_OK, FindCuratorBinFolder(folder));
    EXPECT_EQ("D:\\Common\\", folder);

    environment["TQR_CURATOR_BIN"] = "C:\\Tools";
    EXPECT_EQ(S_OK, FindCuratorBinFolder(folder));
    EXPECT_EQ("C:\\Tools\\", folder);

    environment["TQR_CURATOR_BIN"] = "C:\\Tools\\";  // no second backslash
    EXPECT_EQ(S_OK, FindCuratorBinFolder(folder));
    EXPECT_EQ("C:\\Tools\\", folder);

    environment["TQR_CURATOR_BIN"] = "";  // set but empty: the common folder is used
    EXPECT_EQ(S_OK, FindCuratorBinFolder(folder));
    EXPECT_EQ("D:\\Common\\", folder);

    std::string toolPath;
    EXPECT_EQ(S_OK, FindPathToCuratorCommand(session, toolPath));
    EXPECT_EQ("D:\\Common\\CuratorCommand.exe", toolPath);
}

TEST_F(CuratorLauncherTest, RunCuratorCommandLineByteForByte) {
    const std::string folder = ToolFolder("tools");
    environment["TQR_CURATOR_BIN"] = folder;

    // Works with no library open; the library named is neither the open one
    // nor tested. Only the library file is quoted; nothing is escaped.
    EXPECT_EQ(S_OK, RunCurator(session, "C:\\My Libs\\Main Lib.qvm", "my flow"));
    EXPECT_EQ(S_OK, RunCurator(session, "", "verify"));
    EXPECT_EQ(S_OK, RunCurator(session, "a\"b%s\\", "x;y"));
    ASSERT_EQ(3u, started.size());
    const std::string tool = folder + "\\CuratorCommand.exe";
    EXPECT_EQ(tool + " -qvmfile=\"C:\\My Libs\\Main Lib.qvm\" -command=run -args=my flow;", started[0]);
    EXPECT_EQ(tool + " -qvmfile=\"\" -command=run -args=verify;", started[1]);
    EXPECT_EQ(tool + " -qvmfile=\"a\"b%s\\\" -command=run -args=x;y;", started[2]);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(CuratorLauncherTest, RefreshCommandLineByteForByteNamingTheOpenLibrary) {
    environment["TQR_COMMON_BIN"] = "C:\\Tools";  // refresh makes no existence test
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
        started.clear();
        for (const auto& c : cases) {
            EXPECT_EQ(S_OK, RefreshQVMTree(session, c.partition, static_cast<KelmEnum_ObjType>(c.kind)));
            EXPECT_EQ("C:\\Tools\\CuratorCommand.exe -qvmfile=\"" + file + "\" -command=refreshqvm -args=" + c.args,
                      started.back());
        }
        session.Close();
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(CuratorLauncherTest, CuratorVariableWinsEvenWhenTheToolIsMissingThere) {
    environment["TQR_CURATOR_BIN"] = (temp.Root() / "empty").string();
    environment["TQR_COMMON_BIN"] = ToolFolder("common");
    session.Log().Start(temp.Path(), "QuorKelm", "KelmAPI");

    // RunCurator alone tests the tool and shows the box; nothing starts.
    EXPECT_EQ(E_FAIL, RunCurator(session, "C:\\Libs\\Main.qvm", "verify"));
    EXPECT_TRUE(started.empty());
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Error|Kelmstore Curator is not installed.", boxes[0]);

    // RefreshQVMTree tries the same (missing) tool and shows nothing.
    startSucceeds = false;
    EXPECT_EQ(E_FAIL, RefreshQVMTree(session, "Resistors", KelmEnum_ObjType_PartType));
    ASSERT_EQ(1u, started.size());
    EXPECT_EQ(0u, started[0].find(environment["TQR_CURATOR_BIN"] + "\\CuratorCommand.exe "));
    EXPECT_EQ(1u, boxes.size());
    EXPECT_EQ("", LogBytes());  // neither failure logs
}

TEST_F(CuratorLauncherTest, NoToolFolderLogsOneErrorLinePerCallAndStartsNothing) {
    session.Log().Start(temp.Path(), "QuorKelm", "KelmAPI");

    EXPECT_EQ(E_FAIL, RunCurator(session, "C:\\Libs\\Main.qvm", "verify"));
    EXPECT_EQ(E_FAIL, RefreshQVMTree(session, "Resistors", KelmEnum_ObjType_PartType));
    EXPECT_TRUE(started.empty());
    EXPECT_TRUE(boxes.empty());

    const std::string log = LogBytes();
    const std::string tail = std::string("(ERROR)   KelmAPI        FindPathToCuratorCommand") + std::string(11, ' ') +
                             " - Cannot find path to the CuratorCommand.exe\r\n";
    ASSERT_EQ(2 * (20 + tail.size()), log.size()) << log;
    EXPECT_EQ(tail, log.substr(20, tail.size()));
    EXPECT_EQ(tail, log.substr(20 + tail.size() + 20));
}

TEST_F(CuratorLauncherTest, NoToolFolderWhileUnboundDropsTheLineButStillFails) {
    EXPECT_EQ(E_FAIL, RunCurator(session, "C:\\Libs\\Main.qvm", "verify"));
    EXPECT_EQ(E_FAIL, RefreshQVMTree(session, "Resistors", KelmEnum_ObjType_Cell));
    EXPECT_TRUE(started.empty());
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(std::filesystem::exists(temp.Root() / "LogFiles"));
}

TEST_F(CuratorLauncherTest, FailedProcessStartIsAFailureOfBothMethods) {
    environment["TQR_CURATOR_BIN"] = ToolFolder("tools");
    session.Log().Start(temp.Path(), "QuorKelm", "KelmAPI");
    startSucceeds = false;

    EXPECT_EQ(E_FAIL, RunCurator(session, "C:\\Libs\\Main.qvm", "verify"));
    EXPECT_EQ(E_FAIL, RefreshQVMTree(session, "Resistors", KelmEnum_ObjType_PartType));
    EXPECT_EQ(E_FAIL, LaunchHidden("anything"));
    EXPECT_EQ(3u, started.size());
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ("", LogBytes());
}

TEST(CuratorMessageBox, WithoutADesktopTheBoxIsOneLineOnStandardError) {
#if defined(_WIN32)
    GTEST_SKIP() << "a real message box would wait for a user";
#else
    EXPECT_EQ("fallback", platform::LoadModuleString(IDS_CURATOR_NOT_INSTALLED, "fallback"));
    ::testing::internal::CaptureStderr();
    platform::ShowErrorMessage("Kelmstore Curator is not installed.", "Error");
    EXPECT_EQ("Error: Kelmstore Curator is not installed.\n", ::testing::internal::GetCapturedStderr());
#endif
}

}  // namespace
}  // namespace kelm

// Real launches: a small script records its arguments; the test waits for the
// record, never for the process. Scripts need a POSIX shell, so these run on
// Linux only.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#if !defined(_WIN32)
#include <sys/wait.h>
#endif

#include "platform/Process.h"
#include "support/TempFolder.h"

namespace kelm {
namespace {

using testing::ReadFileBytes;
using testing::TempFolder;

class DetachedProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
#if defined(_WIN32)
        GTEST_SKIP() << "recording scripts need a POSIX shell";
#endif
        record = (temp.Root() / "record.txt").string();
    }

    // An executable script that writes each argument on a line of its own to
    // the record file (moved into place whole), then exits with `exitCode`.
    std::string Script(const std::string& relative, int exitCode = 0) {
        const std::string path = temp.File(
            relative, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + record + ".tmp'\nmv '" +
                          record + ".tmp' '" + record + "'\nexit " + std::to_string(exitCode) + "\n");
        std::filesystem::permissions(path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add);
        return path;
    }

    // The record, once the script has written it (empty after ten seconds).
    std::string WaitForRecord() const {
        for (int i = 0; i < 1000; ++i) {
            if (std::filesystem::exists(record)) return ReadFileBytes(record);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return {};
    }

    static void ExpectNoChildLeft() {
#if !defined(_WIN32)
        int status = 0;
        EXPECT_EQ(-1, waitpid(-1, &status, WNOHANG)) << "a child of ours was left to reap";
#endif
    }

    TempFolder temp;
    std::string record;
};

// A tool that fails still counts as started.
TEST_F(DetachedProcessTest, StartsTheProgramWithWindowsStyleArguments) {
    const std::string script = Script("tool dir/rec.sh", 3);
    ASSERT_TRUE(platform::StartDetachedProcess("\"" + script + "\" -qvmfile=\"/libs/My Lib/Main.qvm\" a\\\"b \"\" x;;;"));
    EXPECT_EQ("-qvmfile=/libs/My Lib/Main.qvm\na\"b\n\nx;;;\n", WaitForRecord());
    ExpectNoChildLeft();
}

TEST_F(DetachedProcessTest, MissingOrNonExecutableProgramIsNotStarted) {
    EXPECT_FALSE(platform::StartDetachedProcess((temp.Root() / "missing.sh").string() + " a"));
    const std::string plain = temp.File("plain.sh", "#!/bin/sh\nexit 0\n");
    EXPECT_FALSE(platform::StartDetachedProcess(plain));
    EXPECT_FALSE(platform::StartDetachedProcess(""));
    ExpectNoChildLeft();
}

}  // namespace
}  // namespace kelm

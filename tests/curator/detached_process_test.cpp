// Real launches: a small script records its arguments; the test waits for the
// record, never for the process. Scripts need a POSIX shell: Linux only.
#include <gtest/gtest.h>
#include <chrono>
#include <thread>
#if !defined(_WIN32)
#include <sys/wait.h>
#endif
#include "platform/Process.h"
#include "support/TempFolder.h"

namespace kelm {
namespace {
// A tool that fails still counts as started; a missing or non-executable
// program is not started, and no child is left to reap either way.
TEST(DetachedProcess, StartsTheProgramWithWindowsStyleArgumentsOrRefuses) {
#if defined(_WIN32)
    GTEST_SKIP() << "recording scripts need a POSIX shell";
#else
    testing::TempFolder temp;
    const std::string record = (temp.Root() / "record.txt").string();
    // Writes each argument on a line of its own to the record (moved into place whole), then exits with 3.
    const std::string script = temp.File("tool dir/rec.sh", "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" +
                                         record + ".tmp'\nmv '" + record + ".tmp' '" + record + "'\nexit 3\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all, std::filesystem::perm_options::add);
    ASSERT_TRUE(platform::StartDetachedProcess("\"" + script + "\" -qvmfile=\"/libs/My Lib/Main.qvm\" a\\\"b \"\" x;;;"));
    for (int i = 0; i < 1000 && !std::filesystem::exists(record); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));  // ten seconds at most
    }
    EXPECT_EQ("-qvmfile=/libs/My Lib/Main.qvm\na\"b\n\nx;;;\n", testing::ReadFileBytes(record));
    EXPECT_FALSE(platform::StartDetachedProcess((temp.Root() / "missing.sh").string() + " a"));
    EXPECT_FALSE(platform::StartDetachedProcess(temp.File("plain.sh", "#!/bin/sh\nexit 0\n")));
    EXPECT_FALSE(platform::StartDetachedProcess(""));
    int status = 0;
    EXPECT_EQ(-1, waitpid(-1, &status, WNOHANG)) << "a child of ours was left to reap";
#endif
}
}  // namespace
}  // namespace kelm

// The login name of the process, which the library lock records.
#include <gtest/gtest.h>
#include <cstdlib>
#include "platform/Machine.h"
#if !defined(_WIN32)
#include <pwd.h>
#include <unistd.h>
#endif

namespace kelm::platform {
namespace {
#if !defined(_WIN32)
// The name is read once a process, so the case runs in a fresh process of its own.
TEST(LoginName, ComesFromThePasswordDatabaseWhenUserIsEmpty) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string login = ::getpwuid(::getuid())->pw_name;
    EXPECT_EXIT(
        {
            ::setenv("USER", "", 1);
            std::_Exit(LoginName() == login ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}
#endif
}  // namespace
}  // namespace kelm::platform

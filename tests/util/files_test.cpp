// The file seam: folders, existence and exclusive appends.
#include <gtest/gtest.h>

#include "platform/Files.h"
#include "support/TempFolder.h"

namespace kelm::platform {
namespace {

using kelm::testing::ReadFileBytes;
using kelm::testing::TempFolder;

TEST(Files, CreatesOneFolderLevelOnly) {
    TempFolder temp;
    EXPECT_TRUE(CreateOneFolder(temp.Path() + "one"));
    EXPECT_TRUE(PathExistsOnDisk(temp.Path() + "one"));
    EXPECT_FALSE(CreateOneFolder(temp.Path() + "one"));  // exists already
    EXPECT_FALSE(CreateOneFolder(temp.Path() + "two\\three"));
    EXPECT_FALSE(PathExistsOnDisk(temp.Path() + "two"));
}

TEST(Files, AppendsWithoutTruncating) {
    TempFolder temp;
    const std::string file = temp.Path() + "log.txt";
    EXPECT_TRUE(AppendExclusive(file, "one\r\n"));
    EXPECT_TRUE(AppendExclusive(file, "two\r\n"));
    EXPECT_EQ("one\r\ntwo\r\n", ReadFileBytes(temp.Root() / "log.txt"));
}

TEST(Files, AppendFailsWhenTheFileCannotBeOpened) {
    TempFolder temp;
    EXPECT_FALSE(AppendExclusive("", "x"));
    EXPECT_FALSE(AppendExclusive(temp.Path() + "missing\\log.txt", "x"));
    EXPECT_FALSE(AppendExclusive(temp.Path(), "x"));  // a folder
}

TEST(Files, AHeldFileCannotBeOpenedBySecondWriter) {
    TempFolder temp;
    const std::string file = temp.Path() + "log.txt";
    AppendFile holder;
    ASSERT_TRUE(holder.Open(file));
    EXPECT_FALSE(AppendExclusive(file, "dropped\n"));
    EXPECT_TRUE(holder.Write("kept\n"));
    EXPECT_TRUE(holder.Close());
    EXPECT_FALSE(holder.Close());
    EXPECT_FALSE(holder.Write("x"));
    EXPECT_TRUE(AppendExclusive(file, "next\n"));
    EXPECT_EQ("kept\nnext\n", ReadFileBytes(temp.Root() / "log.txt"));
}

#if !defined(_WIN32)
TEST(Files, BackslashIsASeparatorOffWindows) {
    EXPECT_EQ("C:/Libs/Main/Main.qvm", NativePath("C:\\Libs\\Main\\Main.qvm"));
    TempFolder temp;
    temp.File("sub/Main.qvm");
    EXPECT_TRUE(PathExistsOnDisk(temp.Path() + "sub\\Main.qvm"));
}
#endif

}  // namespace
}  // namespace kelm::platform

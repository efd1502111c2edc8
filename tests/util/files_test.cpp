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

TEST(Files, AppendsWithoutTruncatingAndAHeldFileHasOneWriter) {
    TempFolder temp;
    const std::string file = temp.Path() + "log.txt";
    AppendFile holder, second;
    EXPECT_FALSE(holder.Open(""));
    EXPECT_FALSE(holder.Open(temp.Path() + "missing\\log.txt"));
    EXPECT_FALSE(holder.Open(temp.Path()));  // a folder
    ASSERT_TRUE(holder.Open(file));
    EXPECT_FALSE(second.Open(file));
    EXPECT_TRUE(holder.Write("kept\n"));
    EXPECT_TRUE(holder.Close());
    EXPECT_FALSE(holder.Close());
    EXPECT_FALSE(holder.Write("x"));
    ASSERT_TRUE(second.Open(file));
    EXPECT_TRUE(second.Write("next\n"));
    EXPECT_TRUE(second.Close());
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

// The file seam: folders, existence, exclusive appends, moves that never
// replace, and failures that name the file.
#include <gtest/gtest.h>
#include "platform/Files.h"
#include "support/TempFolder.h"

namespace kelm::platform {
namespace {
using kelm::testing::ReadFileBytes;
using kelm::testing::TempFolder;
// The log's folder is made one level at a time; a held log file has one
// writer (the log tests see its lines dropped).
TEST(Files, CreatesOneFolderLevelOnlyAndAHeldFileHasOneWriter) {
    TempFolder temp;
    EXPECT_TRUE(CreateOneFolder(temp.Path() + "one"));
    EXPECT_FALSE(CreateOneFolder(temp.Path() + "one"));  // exists already
    EXPECT_FALSE(CreateOneFolder(temp.Path() + "two\\three"));
    EXPECT_FALSE(PathExistsOnDisk(temp.Path() + "two"));
    AppendFile holder, second;
    EXPECT_FALSE(holder.Open(temp.Path()));  // a folder
    ASSERT_TRUE(holder.Open(temp.Path() + "log.txt"));
    EXPECT_FALSE(second.Open(temp.Path() + "log.txt"));
    EXPECT_TRUE(holder.Write("kept\n"));
    EXPECT_TRUE(holder.Close());
    EXPECT_FALSE(holder.Write("x"));
    ASSERT_TRUE(second.Open(temp.Path() + "log.txt"));  // appends
    EXPECT_TRUE(second.Write("next\n"));
    EXPECT_TRUE(second.Close());
    EXPECT_EQ("kept\nnext\n", ReadFileBytes(temp.Root() / "log.txt"));
}
TEST(Files, MovesNeverReplaceAndFailuresNameTheFile) {
    TempFolder temp;
    std::string error;
    ASSERT_EQ(FileResult::Ok, CreateFileExclusive(temp.Path() + "a", "A", error));
    ASSERT_EQ(FileResult::Ok, CreateFileExclusive(temp.Path() + "b", "B", error));
    EXPECT_EQ(FileResult::Exists, CreateFileExclusive(temp.Path() + "a", "again", error));
    EXPECT_EQ(FileResult::Exists, MovePath(temp.Path() + "a", temp.Path() + "b", error));
    EXPECT_EQ("B", ReadFileBytes(temp.Root() / "b"));
    EXPECT_EQ(FileResult::Ok, MovePath(temp.Path() + "a", temp.Path() + "sub-a", error));
    std::string bytes;
    EXPECT_EQ(FileResult::NotFound, ReadWholeFile(temp.Path() + "a", bytes, error));
    EXPECT_NE(std::string::npos, error.find(temp.Path() + "a")) << error;
    EXPECT_TRUE(MakeFolders(temp.Path() + "x\\y\\z"));
    std::vector<std::string> names;
    ASSERT_TRUE(ListFolders(temp.Path(), names));
    EXPECT_EQ(std::vector<std::string>{"x"}, names);
    ASSERT_TRUE(ListFiles(temp.Path(), names));
    EXPECT_EQ((std::vector<std::string>{"b", "sub-a"}), names);
}
}  // namespace
}  // namespace kelm::platform

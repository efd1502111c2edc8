// Path splitting, joining and extending, single-byte and double-byte.
#include <gtest/gtest.h>

#include "platform/CodePage.h"
#include "support/TempFolder.h"
#include "util/Paths.h"

namespace kelm {
namespace {

struct Parts {
    std::string drive, folder, title, extension;
    bool operator==(const Parts&) const = default;
};

Parts Split(const std::string& path) {
    Parts parts{"x", "x", "x", "x"};  // every output is emptied first
    SplitPath(path, &parts.drive, &parts.folder, &parts.title, &parts.extension);
    return parts;
}

void PrintTo(const Parts& p, std::ostream* os) {
    *os << "{" << p.drive << " | " << p.folder << " | " << p.title << " | " << p.extension << "}";
}

TEST(SplitPath, DrivesFoldersTitlesAndExtensions) {
    EXPECT_EQ((Parts{"C:", "\\lib\\parts\\", "main", "qvm"}), Split("C:\\lib\\parts\\main.qvm"));
    EXPECT_EQ((Parts{"C:", "", "", ""}), Split("C:"));
    EXPECT_EQ((Parts{"C:", "", "file", "txt"}), Split("C:file.txt"));
    EXPECT_EQ((Parts{"\\\\server", "\\share\\dir\\", "f", "txt"}), Split("\\\\server\\share\\dir\\f.txt"));
    EXPECT_EQ((Parts{"\\\\server", "", "", ""}), Split("\\\\server"));
    EXPECT_EQ((Parts{"\\\\srv\\a:", "", "b", ""}), Split("\\\\srv\\a:b"));  // a colon ends the drive
    EXPECT_EQ((Parts{"", "", "", ""}), Split(""));
}

TEST(SplitPath, ForwardSlashCountsOnlyWithoutBackslash) {
    EXPECT_EQ((Parts{"", "dir/sub/", "f", "txt"}), Split("dir/sub/f.txt"));
    EXPECT_EQ((Parts{"", "a\\", "b/c", "txt"}), Split("a\\b/c.txt"));
    EXPECT_EQ((Parts{"C:", "/x/", "y", ""}), Split("C:/x/y"));
}

TEST(SplitPath, DotsInNamesAndFolders) {
    EXPECT_EQ((Parts{"", "", "f.tar", "gz"}), Split("f.tar.gz"));
    EXPECT_EQ((Parts{"", "", "", "profile"}), Split(".profile"));
    EXPECT_EQ((Parts{"", "dir.d\\", "file", ""}), Split("dir.d\\file"));
    EXPECT_EQ((Parts{"", ".\\", "", ""}), Split("."));
    EXPECT_EQ((Parts{"", "..\\", "", ""}), Split(".."));
    EXPECT_EQ((Parts{"", "", "...", ""}), Split("...."));
}

TEST(SplitPath, UnwantedPartsAreNotProduced) {
    std::string title = "old";
    SplitPath("C:\\a\\b.c", nullptr, nullptr, &title, nullptr);
    EXPECT_EQ("b", title);
}

TEST(PathGetters, ComposeTheParts) {
    EXPECT_EQ("qvm", GetPathExtension("C:\\Libs\\Main.QVM.qvm"));
    EXPECT_EQ("", GetPathExtension("C:\\Libs.d\\Main"));
    EXPECT_EQ("Main", GetPathTitle("C:\\Libs\\Main.qvm"));
    EXPECT_EQ("Main.qvm", GetPathFileName("C:\\Libs\\Main.qvm"));
    EXPECT_EQ("abc", GetPathFileName("abc."));
    EXPECT_EQ("", GetPathFolder("main.qvm"));
    EXPECT_EQ("C:\\", GetPathFolder("C:main.qvm"));
    EXPECT_EQ("C:\\lib\\", GetPathFolder("C:\\lib\\main.qvm"));
    EXPECT_EQ("C:\\lib\\", GetPathFolder(GetPathFolder("C:\\lib\\main.qvm")));
    EXPECT_EQ("\\\\server\\", GetPathFolder("\\\\server"));
    EXPECT_EQ("\\\\server\\share\\", GetPathFolder("\\\\server\\share\\Main.qvm"));
    for (const std::string dots : {".", ".."}) {
        EXPECT_EQ("", GetPathTitle(dots));
        EXPECT_EQ("", GetPathFileName(dots));
        EXPECT_EQ("", GetPathExtension(dots));
        EXPECT_EQ(dots + "\\", GetPathFolder(dots));
    }
    for (auto getter : {GetPathExtension, GetPathTitle, GetPathFileName, GetPathFolder}) EXPECT_EQ("", getter(""));
}

TEST(MakePath, JoinsLeftToRight) {
    const std::string c = "C", cColon = "C:", lib = "\\lib", libSlash = "\\lib\\", x = "x", dotTxt = ".txt",
                      txt = "txt", empty, server = "\\\\srv";
    EXPECT_EQ("C:\\lib\\x.txt", MakePath(&c, &lib, &x, &dotTxt));
    EXPECT_EQ("C:\\lib\\", MakePath(&cColon, &libSlash, nullptr, nullptr));
    EXPECT_EQ(".txt", MakePath(nullptr, nullptr, nullptr, &txt));
    EXPECT_EQ("", MakePath(&empty, &empty, &empty, &empty));
    EXPECT_EQ("C:\\", MakePath(&c, nullptr, nullptr, nullptr));  // the separator comes even without a title
    EXPECT_EQ("\\\\srv\\x", MakePath(&server, nullptr, &x, nullptr));  // no colon after a server
    const std::string dotted = "x.";
    EXPECT_EQ("x.txt", MakePath(nullptr, nullptr, &dotted, &txt));  // no second dot
}

TEST(AddTrailingBackslash, AppendsOnlyWhenMissing) {
    std::string path = "C:\\lib";
    AddTrailingBackslash(path);
    EXPECT_EQ("C:\\lib\\", path);
    AddTrailingBackslash(path);
    EXPECT_EQ("C:\\lib\\", path);
    std::string empty;
    AddTrailingBackslash(empty);
    EXPECT_EQ("", empty);
}

TEST(ChangePathExtension, ReplacesAddsOrRemoves) {
    std::string path = "C:\\a\\b";
    ChangePathExtension(path, ".log");
    EXPECT_EQ("C:\\a\\b.log", path);
    ChangePathExtension(path, "txt");
    EXPECT_EQ("C:\\a\\b.txt", path);
    ChangePathExtension(path, "");
    EXPECT_EQ("C:\\a\\b", path);
    std::string relative = "LogFiles\\QuorKelm";
    ChangePathExtension(relative, ".log");
    EXPECT_EQ("LogFiles\\QuorKelm.log", relative);
}

TEST(AppendPathName, FolderOrFilePaths) {
    std::string folder = "C:\\lib\\LogFiles\\";
    AppendPathName(folder, "QuorKelm");
    EXPECT_EQ("C:\\lib\\LogFiles\\QuorKelm", folder);
    std::string noSeparator = "C:\\lib";
    AppendPathName(noSeparator, "x");
    EXPECT_EQ("C:\\libx", noSeparator);
    std::string file = "C:\\lib\\a.qvm";
    AppendPathName(file, "sub");
    EXPECT_EQ("C:\\lib\\sub\\a.qvm", file);
    std::string empty;
    AppendPathName(empty, "name");
    EXPECT_EQ("name", empty);
}

TEST(AppendPathFolder, LeavesATrailingBackslashOnFolders) {
    std::string folder = "C:\\lib\\";
    AppendPathFolder(folder, "LogFiles");
    EXPECT_EQ("C:\\lib\\LogFiles\\", folder);
    std::string empty;
    AppendPathFolder(empty, "LogFiles");
    EXPECT_EQ("LogFiles\\", empty);
    std::string file = "C:\\lib\\a.qvm";
    AppendPathFolder(file, "sub");
    EXPECT_EQ("C:\\lib\\sub\\a.qvm", file);
}

// Code page 932: 0x95 0x5C is one character whose trail byte is a backslash.
class DoubleBytePaths : public ::testing::Test {
protected:
    void SetUp() override { platform::SetCodePageForTesting(932); }
    void TearDown() override { platform::SetCodePageForTesting(0); }
    const std::string kTable = "\x95\x5C";  // one character
};

TEST_F(DoubleBytePaths, TrailByteIsNeitherSeparatorNorTrailingBackslash) {
    EXPECT_EQ((Parts{"C:", "\\lib\\", "a" + kTable + "b", "txt"}), Split("C:\\lib\\a" + kTable + "b.txt"));
    EXPECT_EQ((Parts{"C:", "\\", kTable, ""}), Split("C:\\" + kTable));
    EXPECT_EQ((Parts{"\\\\s" + kTable + "v", "\\share\\", "f", ""}), Split("\\\\s" + kTable + "v\\share\\f"));
    std::string path = "C:\\" + kTable;
    AddTrailingBackslash(path);
    EXPECT_EQ("C:\\" + kTable + "\\", path);
    std::string folder = "C:\\" + kTable;
    AppendPathFolder(folder, "LogFiles");  // no separator before the name: the path was no folder
    EXPECT_EQ("C:\\" + kTable + "LogFiles\\", folder);
}

TEST_F(DoubleBytePaths, LastCharacterWalksFromTheStart) {
    EXPECT_EQ(-1, LastCharacter(""));
    EXPECT_EQ('a', LastCharacter("a"));
    EXPECT_EQ(0x955C, LastCharacter("a" + kTable));
    EXPECT_EQ('\\', LastCharacter(kTable + "\\"));
    EXPECT_EQ(0x95, LastCharacter("a\x95"));  // a lead byte with no trail byte stands alone
    platform::SetCodePageForTesting(0);
    EXPECT_EQ('\\', LastCharacter("a" + kTable));  // single-byte: the trail byte is a backslash
}

TEST(PathExists, FilesAndFoldersButNotMissingPaths) {
    testing::TempFolder temp;
    const std::string file = temp.File("Main.qvm");
    EXPECT_TRUE(PathExists(file));
    EXPECT_TRUE(PathExists(temp.Path()));
    EXPECT_FALSE(PathExists(temp.Path() + "Missing.qvm"));
    EXPECT_FALSE(PathExists(""));
}

}  // namespace
}  // namespace kelm

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
    const struct { const char* path; Parts parts; } cases[] = {
        {"C:\\lib\\parts\\main.qvm", {"C:", "\\lib\\parts\\", "main", "qvm"}},
        {"C:file.txt", {"C:", "", "file", "txt"}},
        {"\\\\server\\share\\dir\\f.txt", {"\\\\server", "\\share\\dir\\", "f", "txt"}},
        {"\\\\srv\\a:b", {"\\\\srv\\a:", "", "b", ""}},  // a colon ends the drive
        {"", {"", "", "", ""}},
        // A forward slash counts only in a path without a backslash.
        {"dir/sub/f.txt", {"", "dir/sub/", "f", "txt"}},
        {"a\\b/c.txt", {"", "a\\", "b/c", "txt"}},
        {"C:/x/y", {"C:", "/x/", "y", ""}},
        // Dots in names and folders.
        {"f.tar.gz", {"", "", "f.tar", "gz"}},
        {".profile", {"", "", "", "profile"}},
        {".", {"", ".\\", "", ""}},
        {"..", {"", "..\\", "", ""}},
        {"....", {"", "", "...", ""}},
    };
    for (const auto& c : cases) EXPECT_EQ(c.parts, Split(c.path)) << c.path;
    std::string title = "old";
    SplitPath("C:\\a\\b.c", nullptr, nullptr, &title, nullptr);  // unwanted parts are not produced
    EXPECT_EQ("b", title);
}
TEST(PathGetters, ComposeThePartsMakePathJoinsLeftToRightAndExistenceOnDisk) {
    EXPECT_EQ("Main.qvm", GetPathFileName("C:\\Libs\\Main.qvm"));
    EXPECT_EQ("abc", GetPathFileName("abc."));
    EXPECT_EQ("", GetPathFolder("main.qvm"));
    EXPECT_EQ("C:\\", GetPathFolder("C:main.qvm"));
    EXPECT_EQ("C:\\lib\\", GetPathFolder(GetPathFolder("C:\\lib\\main.qvm")));
    EXPECT_EQ("\\\\server\\", GetPathFolder("\\\\server"));
    EXPECT_EQ("\\\\server\\share\\", GetPathFolder("\\\\server\\share\\Main.qvm"));
    for (const std::string dots : {".", ".."}) {
        EXPECT_EQ("", GetPathFileName(dots));
        EXPECT_EQ(dots + "\\", GetPathFolder(dots));
    }
    for (auto getter : {GetPathExtension, GetPathTitle, GetPathFileName, GetPathFolder}) EXPECT_EQ("", getter(""));
    testing::TempFolder temp;
    EXPECT_TRUE(PathExists(temp.File("Main.qvm")) && PathExists(temp.Path()));  // files and folders
    EXPECT_FALSE(PathExists(temp.Path() + "Missing.qvm") || PathExists(""));
    const std::string c = "C", cColon = "C:", lib = "\\lib", libSlash = "\\lib\\", x = "x", dotTxt = ".txt",
                      txt = "txt", empty, server = "\\\\srv", dotted = "x.";
    EXPECT_EQ("C:\\lib\\x.txt", MakePath(&c, &lib, &x, &dotTxt));
    EXPECT_EQ("C:\\lib\\", MakePath(&cColon, &libSlash, nullptr, nullptr));
    EXPECT_EQ(".txt", MakePath(nullptr, nullptr, nullptr, &txt));
    EXPECT_EQ("", MakePath(&empty, &empty, &empty, &empty));
    EXPECT_EQ("C:\\", MakePath(&c, nullptr, nullptr, nullptr));  // the separator comes even without a title
    EXPECT_EQ("\\\\srv\\x", MakePath(&server, nullptr, &x, nullptr));  // no colon after a server
    EXPECT_EQ("x.txt", MakePath(nullptr, nullptr, &dotted, &txt));  // no second dot
}

std::string WithBackslash(std::string path) { AddTrailingBackslash(path); return path; }
std::string WithExtension(std::string path, const char* extension) { ChangePathExtension(path, extension); return path; }
std::string WithName(std::string path, const char* name) { AppendPathName(path, name); return path; }
std::string WithFolder(std::string path, const char* name) { AppendPathFolder(path, name); return path; }

TEST(PathEditing, TrailingBackslashExtensionNameAndFolder) {
    EXPECT_EQ("C:\\lib\\", WithBackslash("C:\\lib\\"));  // only when missing
    EXPECT_EQ("C:\\a\\b.log", WithExtension("C:\\a\\b", ".log"));
    EXPECT_EQ("C:\\a\\b.txt", WithExtension("C:\\a\\b.log", "txt"));
    EXPECT_EQ("C:\\a\\b", WithExtension("C:\\a\\b.txt", ""));
    EXPECT_EQ("C:\\libx", WithName("C:\\lib", "x"));
    EXPECT_EQ("C:\\lib\\sub\\a.qvm", WithName("C:\\lib\\a.qvm", "sub"));
    EXPECT_EQ("C:\\lib\\LogFiles\\", WithFolder("C:\\lib\\", "LogFiles"));  // a folder keeps its trailing backslash
    EXPECT_EQ("C:\\lib\\sub\\a.qvm", WithFolder("C:\\lib\\a.qvm", "sub"));
}
// Code page 932: 0x95 0x5C is one character whose trail byte is a backslash.
TEST(DoubleBytePaths, TrailByteIsNeitherSeparatorNorTrailingBackslash) {
    platform::SetCodePageForTesting(932);
    const std::string table = "\x95\x5C";
    EXPECT_EQ((Parts{"C:", "\\lib\\", "a" + table + "b", "txt"}), Split("C:\\lib\\a" + table + "b.txt"));
    EXPECT_EQ((Parts{"C:", "\\", table, ""}), Split("C:\\" + table));
    EXPECT_EQ((Parts{"\\\\s" + table + "v", "\\share\\", "f", ""}), Split("\\\\s" + table + "v\\share\\f"));
    EXPECT_EQ("C:\\" + table + "\\", WithBackslash("C:\\" + table));
    EXPECT_EQ("C:\\" + table + "LogFiles\\", WithFolder("C:\\" + table, "LogFiles"));  // the path was no folder
    EXPECT_EQ(-1, LastCharacter(""));
    EXPECT_EQ(0x955C, LastCharacter("a" + table));
    EXPECT_EQ('\\', LastCharacter(table + "\\"));
    EXPECT_EQ(0x95, LastCharacter("a\x95"));  // a lead byte with no trail byte stands alone
    platform::SetCodePageForTesting(0);
    EXPECT_EQ('\\', LastCharacter("a" + table));  // single-byte: the trail byte is a backslash
}
}  // namespace
}  // namespace kelm

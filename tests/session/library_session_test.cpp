// Opening, closing, reloading and saving libraries of the file store.
#include <gtest/gtest.h>
#include "session/LibrarySession.h"
#include "store/file/LibraryTools.h"
#include "support/TempFolder.h"
#include "util/Paths.h"

namespace kelm {
namespace {
using testing::TempFolder;
using Seen = std::tuple<bool, std::string, std::string, std::string>;  // open, user, file, folder
Seen State(const LibrarySession& s) { return {s.IsOpen(), s.UserName(), s.LibraryFile(), s.LibraryFolder()}; }

class LibrarySessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(store::CreateLibrary(main), S_OK);
        ASSERT_EQ(store::CreateLibrary(other), S_OK);
    }
    TempFolder temp;
    std::string main = temp.Path() + "Main.qvm";
    std::string other = (temp.Root() / "Other" / "Other.qvm").string();
    LibrarySession session;
};
TEST_F(LibrarySessionTest, OpenRemembersTheLibraryTheUserAndTheMode) {
    EXPECT_EQ(State(session), (Seen{false, "KelmAPI", "", ""}));
    ASSERT_EQ(session.Open(main, "alice", VARIANT_FALSE), S_OK);
    EXPECT_EQ(State(session), (Seen{true, "alice", main, temp.Path()}));
    ASSERT_EQ(session.Open(main, "", VARIANT_TRUE), S_OK);
    EXPECT_EQ(State(session), (Seen{true, "KelmAPI", main, temp.Path()}));
    EXPECT_EQ(session.Save(), E_FAIL);  // read-only
    for (VARIANT_BOOL notTrue : {VARIANT_BOOL{1}, VARIANT_BOOL{2}, VARIANT_BOOL{-2}}) {  // only -1 is true
        ASSERT_EQ(session.Open(main, " Bob ", notTrue), S_OK);
        EXPECT_EQ(State(session), (Seen{true, " Bob ", main, temp.Path()})) << notTrue;
        EXPECT_EQ(session.Save(), S_OK) << notTrue;
    }
    ASSERT_EQ(session.Open(other, "bob", VARIANT_FALSE), S_OK);  // the first library is closed first
    EXPECT_EQ(State(session), (Seen{true, "bob", other, (temp.Root() / "Other" / "").string()}));
    for (const std::string name : {"Upper.QVM", "Mixed.Qvm"}) {
        ASSERT_EQ(store::CreateLibrary(temp.Path() + name), S_OK);
        EXPECT_EQ(session.Open(temp.Path() + name, "", VARIANT_FALSE), S_OK) << name;
    }
}
// A refused name keeps the open library (but takes the user); a file the store refuses ends idle, naming
// it; close, reload and save need a library. The log is bound at open, also to a library the store refuses,
// and stays bound after close; a refused name or a missing file binds nothing; an unwritable log changes no
// status.
TEST_F(LibrarySessionTest, RefusedOpensCloseReloadSaveAndTheLog) {
    EXPECT_EQ(session.Open(temp.Path() + "Main.txt", "", VARIANT_FALSE), E_INVALIDARG);
    EXPECT_EQ(session.Open(temp.Path() + "Missing.qvm", "", VARIANT_FALSE), E_FAIL);
    EXPECT_FALSE(session.Log().LogError("Tag", "unbound"));
    ASSERT_EQ(session.Open(main, "alice", VARIANT_TRUE), S_OK);
    const std::string noDot = temp.File("dir.qvm/Main");
    for (const std::string& bad : {temp.File("Main.qvm.bak"), noDot, std::string(), temp.Path() + "Missing.txt"}) {
        EXPECT_EQ(session.Open(bad, "carol", VARIANT_FALSE), E_INVALIDARG) << bad;
    }
    EXPECT_EQ(session.Open(temp.Path() + "Missing.qvm", "dave", VARIANT_FALSE), E_FAIL);
    EXPECT_EQ(State(session), (Seen{true, "dave", main, temp.Path()}));
    EXPECT_EQ(session.Reload(), S_OK);  // still usable
    const std::string broken = temp.File("Broken/Broken.qvm", "not a library\n");
    EXPECT_EQ(session.Open(broken, "alice", VARIANT_FALSE), E_FAIL);
    EXPECT_EQ(State(session), (Seen{false, "alice", broken, (temp.Root() / "Broken" / "").string()}));
    EXPECT_TRUE(session.Log().LogError("Tag", "after failed open"));
    EXPECT_EQ(session.Reload(), E_FAIL);
    ASSERT_EQ(session.Open(main, "alice", VARIANT_FALSE), S_OK);  // and the next open works
    EXPECT_EQ(session.Save(), S_OK);
    EXPECT_EQ(session.Close(), S_OK);
    EXPECT_EQ(State(session), (Seen{false, "alice", "", ""}));
    EXPECT_EQ(session.Reload(), E_FAIL);
    EXPECT_TRUE(session.Log().LogError("Tag", "after close"));
    for (const auto& [folder, line] : {std::pair{temp.Root(), " - after close\r\n"},
                                       std::pair{temp.Root() / "Broken", " - after failed open\r\n"}}) {
        const std::string log = testing::ReadFileBytes(folder / "LogFiles" / "QuorKelm.log");
        EXPECT_NE(log.find(line), std::string::npos) << log;
    }
    TempFolder blocked;
    blocked.File("LogFiles", "not a folder");
    ASSERT_EQ(store::CreateLibrary(blocked.Path() + "Main.qvm"), S_OK);
    EXPECT_EQ(session.Open(blocked.Path() + "Main.qvm", "", VARIANT_FALSE), S_OK);
    EXPECT_FALSE(session.Log().LogError("Tag", "m"));
    EXPECT_EQ(session.Save(), S_OK);
}
TEST_F(LibrarySessionTest, BareFileNamesAndBackslashPaths) {
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(temp.Root());
    const HRESULT hr = session.Open("Main.qvm", "", VARIANT_FALSE);
    const bool logFolderCreated = std::filesystem::is_directory("LogFiles");
    const bool logged = session.Log().LogInfo("Tag", "m") && std::filesystem::exists("LogFiles/QuorKelm.log");
    std::filesystem::current_path(previous);
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(session.LibraryFolder(), "");
    EXPECT_TRUE(logFolderCreated);
    EXPECT_TRUE(logged);
#if !defined(_WIN32)
    std::string backslashed = other;
    for (char& c : backslashed) if (c == '/') c = '\\';
    EXPECT_EQ(session.Open(backslashed, "", VARIANT_FALSE), S_OK);
    EXPECT_EQ(session.LibraryFolder(), GetPathFolder(backslashed));
    EXPECT_TRUE(std::filesystem::is_directory(temp.Root() / "Other" / "LogFiles"));
#endif
}
}  // namespace
}  // namespace kelm

// Opening, closing, reloading and saving a library against the store double.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "session/LibrarySession.h"
#include "support/ScriptedStore.h"
#include "support/TempFolder.h"
#include "util/Paths.h"

namespace kelm {
namespace {

using testing::ScriptedStore;
using testing::TempFolder;
using Ops = std::vector<std::string>;

constexpr HRESULT kStoreFailure = static_cast<HRESULT>(0x80040005);

class LibrarySessionTest : public ::testing::Test {
protected:
    std::shared_ptr<ScriptedStore> store = std::make_shared<ScriptedStore>();
    LibrarySession session{store};
    TempFolder temp;
    std::string library = temp.File("Main.qvm");
    std::string other = temp.File("Other/Other.qvm");

    std::vector<std::string> LoadArgs() const { return store->Last("KelmServer::Load")->args; }
};

TEST_F(LibrarySessionTest, StartsIdleUnderTheDefaultUserWithoutTouchingTheStore) {
    EXPECT_FALSE(session.IsOpen());
    EXPECT_EQ(1, session.ReadOnlyFlag());
    EXPECT_EQ("KelmAPI", session.UserName());
    EXPECT_EQ("", session.LibraryFile());
    EXPECT_EQ("", session.LibraryFolder());
    EXPECT_TRUE(store->Calls().empty());
}

TEST_F(LibrarySessionTest, OpenInitsThenLoadsAndRemembersFileFolderAndUser) {
    EXPECT_EQ(S_OK, session.Open(library, "alice", VARIANT_FALSE));
    EXPECT_EQ((Ops{"KelmServer::Init", "KelmServer::Load"}), store->Ops());
    EXPECT_EQ((std::vector<std::string>{library, "0"}), LoadArgs());
    EXPECT_TRUE(session.IsOpen());
    EXPECT_EQ(0, session.ReadOnlyFlag());
    EXPECT_EQ("alice", session.UserName());
    EXPECT_EQ(library, session.LibraryFile());
    EXPECT_EQ(temp.Path(), session.LibraryFolder());
}

TEST_F(LibrarySessionTest, EmptyUserNameMeansKelmAPI) {
    ASSERT_EQ(S_OK, session.Open(library, "bob", VARIANT_FALSE));
    ASSERT_EQ(S_OK, session.Open(library, "", VARIANT_FALSE));
    EXPECT_EQ("KelmAPI", session.UserName());
    ASSERT_EQ(S_OK, session.Open(library, " Bob ", VARIANT_FALSE));
    EXPECT_EQ(" Bob ", session.UserName());  // exactly as passed
}

TEST_F(LibrarySessionTest, ReadOnlyOnlyForAllBitsSet) {
    ASSERT_EQ(S_OK, session.Open(library, "", VARIANT_TRUE));
    EXPECT_EQ("1", LoadArgs()[1]);
    EXPECT_EQ(1, session.ReadOnlyFlag());
    for (VARIANT_BOOL notTrue : {VARIANT_BOOL{1}, VARIANT_BOOL{0}, VARIANT_BOOL{2}, VARIANT_BOOL{-2}}) {
        ASSERT_EQ(S_OK, session.Open(library, "", notTrue));
        EXPECT_EQ("0", LoadArgs()[1]) << notTrue;
        EXPECT_EQ(0, session.ReadOnlyFlag());
    }
}

TEST_F(LibrarySessionTest, ExtensionTestIgnoresCaseAndAWrongOneIsRefusedBeforeAnythingButTheUserName) {
    for (const std::string name : {"Upper.QVM", "Mixed.Qvm"}) EXPECT_EQ(S_OK, session.Open(temp.File(name), "", VARIANT_FALSE)) << name;
    ASSERT_EQ(S_OK, session.Open(library, "alice", VARIANT_FALSE));
    store->ClearCalls();
    const std::string noDot = temp.File("dir.qvm/Main");
    for (const std::string& bad : {temp.File("Main.qvm.bak"), noDot, std::string(), temp.Path() + "Missing.txt"}) {
        EXPECT_EQ(E_INVALIDARG, session.Open(bad, "carol", VARIANT_FALSE)) << bad;
    }
    EXPECT_EQ("carol", session.UserName());
    EXPECT_TRUE(session.IsOpen());
    EXPECT_EQ(library, session.LibraryFile());
    EXPECT_TRUE(store->Calls().empty());
}

TEST_F(LibrarySessionTest, MissingFileFailsAndLeavesTheOpenLibraryOpen) {
    ASSERT_EQ(S_OK, session.Open(library, "alice", VARIANT_TRUE));
    store->ClearCalls();
    EXPECT_EQ(E_FAIL, session.Open(temp.Path() + "Missing.qvm", "dave", VARIANT_FALSE));
    EXPECT_EQ("dave", session.UserName());
    EXPECT_TRUE(session.IsOpen());
    EXPECT_EQ(1, session.ReadOnlyFlag());
    EXPECT_EQ(library, session.LibraryFile());
    EXPECT_EQ(temp.Path(), session.LibraryFolder());
    EXPECT_TRUE(store->Calls().empty());
}

TEST_F(LibrarySessionTest, ReopenClosesTheFirstLibraryFirst) {
    ASSERT_EQ(S_OK, session.Open(library, "", VARIANT_FALSE));
    EXPECT_EQ(S_OK, session.Open(other, "", VARIANT_FALSE));
    EXPECT_EQ((Ops{"KelmServer::Init", "KelmServer::Load", "KelmServer::Close", "KelmServer::Init",
                   "KelmServer::Load"}),
              store->Ops());
    EXPECT_EQ(other, session.LibraryFile());
    EXPECT_EQ((temp.Root() / "Other" / "").string(), session.LibraryFolder());
}

TEST_F(LibrarySessionTest, ReopenThatFailsInTheStoreEndsIdle) {
    ASSERT_EQ(S_OK, session.Open(library, "", VARIANT_TRUE));
    store->ReturnsOnce("KelmServer::Load", kStoreFailure);
    EXPECT_EQ(E_FAIL, session.Open(other, "", VARIANT_FALSE));
    EXPECT_FALSE(session.IsOpen());
    EXPECT_EQ(1, store->Count("KelmServer::Close"));
    EXPECT_EQ(other, session.LibraryFile());  // names the file that failed
    EXPECT_EQ(1, session.ReadOnlyFlag());
}

TEST_F(LibrarySessionTest, FailedInitLeavesIdleWithoutLoadingFailedLoadDoesNotCloseAndTheNextOpenInitsAgain) {
    store->ReturnsOnce("KelmServer::Init", 1);  // any non-zero status fails
    EXPECT_EQ(E_FAIL, session.Open(library, "", VARIANT_FALSE));
    EXPECT_EQ((Ops{"KelmServer::Init"}), store->Ops());
    EXPECT_FALSE(session.IsOpen());
    EXPECT_EQ(1, session.ReadOnlyFlag());
    EXPECT_EQ(library, session.LibraryFile());
    EXPECT_EQ(temp.Path(), session.LibraryFolder());

    store->ClearCalls();
    store->ReturnsOnce("KelmServer::Load", kStoreFailure);
    EXPECT_EQ(E_FAIL, session.Open(library, "", VARIANT_FALSE));
    EXPECT_FALSE(session.IsOpen());
    EXPECT_EQ(S_OK, session.Open(library, "", VARIANT_FALSE));
    EXPECT_EQ((Ops{"KelmServer::Init", "KelmServer::Load", "KelmServer::Init", "KelmServer::Load"}), store->Ops());
}

TEST_F(LibrarySessionTest, CloseTwiceClosesTheStoreOnceAndKeepsTheUser) {
    EXPECT_EQ(S_OK, session.Close());  // nothing open
    EXPECT_TRUE(store->Calls().empty());
    ASSERT_EQ(S_OK, session.Open(library, "alice", VARIANT_FALSE));
    EXPECT_EQ(S_OK, session.Close());
    EXPECT_EQ(S_OK, session.Close());
    EXPECT_EQ(1, store->Count("KelmServer::Close"));
    EXPECT_FALSE(session.IsOpen());
    EXPECT_EQ(1, session.ReadOnlyFlag());
    EXPECT_EQ("", session.LibraryFile());
    EXPECT_EQ("", session.LibraryFolder());
    EXPECT_EQ("alice", session.UserName());
}

TEST_F(LibrarySessionTest, ReloadAndSaveNeedAnOpenLibraryCallTheStoreAndStayOpenOnFailure) {
    EXPECT_EQ(E_FAIL, session.Reload());
    EXPECT_EQ(E_FAIL, session.Save());
    EXPECT_TRUE(store->Calls().empty());
    ASSERT_EQ(S_OK, session.Open(library, "", VARIANT_FALSE));
    store->ClearCalls();
    EXPECT_EQ(S_OK, session.Reload());
    EXPECT_EQ(S_OK, session.Save());
    EXPECT_EQ((std::vector<std::string>{"KelmServer::Load(null, 1)", "KelmServer::Save(null, 0, 0)"}),
              store->CallTexts());
    store->Returns("KelmServer::Load", kStoreFailure).Returns("KelmServer::Save", 1);
    EXPECT_EQ(E_FAIL, session.Reload());
    EXPECT_EQ(E_FAIL, session.Save());
    EXPECT_TRUE(session.IsOpen());
    EXPECT_EQ(library, session.LibraryFile());
    EXPECT_EQ(0, store->Count("KelmServer::Close"));
    ASSERT_EQ(S_OK, session.Close());
    store->ClearCalls();
    EXPECT_EQ(E_FAIL, session.Reload());  // closed again
    EXPECT_EQ(E_FAIL, session.Save());
    EXPECT_TRUE(store->Calls().empty());
}

TEST_F(LibrarySessionTest, FinalReleaseDoesNotCloseTheStore) {
    auto owned = std::make_unique<LibrarySession>(store);
    ASSERT_EQ(S_OK, owned->Open(library, "", VARIANT_FALSE));
    owned.reset();
    EXPECT_EQ(0, store->Count("KelmServer::Close"));
}

TEST_F(LibrarySessionTest, BareFileNameGivesAnEmptyLibraryFolder) {
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(temp.Root());
    const HRESULT hr = session.Open("Main.qvm", "", VARIANT_FALSE);
    const bool logFolderCreated = std::filesystem::is_directory("LogFiles");
    std::filesystem::current_path(previous);
    EXPECT_EQ(S_OK, hr);
    EXPECT_EQ("", session.LibraryFolder());
    EXPECT_EQ("LogFiles\\", session.Log().LogFolder());
    EXPECT_TRUE(logFolderCreated);
}

#if !defined(_WIN32)
TEST_F(LibrarySessionTest, BackslashPathsWorkOffWindows) {
    std::string backslashed = other;
    for (char& c : backslashed) if (c == '/') c = '\\';
    EXPECT_EQ(S_OK, session.Open(backslashed, "", VARIANT_FALSE));
    EXPECT_EQ(GetPathFolder(backslashed), session.LibraryFolder());
    EXPECT_TRUE(std::filesystem::is_directory(temp.Root() / "Other" / "LogFiles"));
}
#endif

}  // namespace
}  // namespace kelm

// The library lock: exclusive, bounded waits, stale locks of dead processes
// taken over, locks of other hosts never broken.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>

#include "ChildProcess.h"
#include "platform/Machine.h"
#include "platform/StoreFiles.h"
#include "store/format/JsonLines.h"
#include "store/items/KelmSchemePartition.h"
#include "store/file/LibraryLock.h"
#include "support/TempLibrary.h"

using namespace kelm;
using namespace kelm::store;
using kelm::testing::RunStoreChild;
using kelm::testing::TempLibrary;

namespace {
class LockTest : public ::testing::Test {
protected:
    void SetUp() override {
        LibraryLock::SetMaxWaitMilliseconds(150);
        lib.AddPartitions({"PartsDBLibs\\Resistors.pdb"});
    }
    void TearDown() override { LibraryLock::SetMaxWaitMilliseconds(10000); }
    std::string LockFile() const { return lib.Path("lib.lock"); }
    void WriteLock(const std::string& host, long pid) {
        std::string text = jsonl::Header("lock", 1);
        jsonl::LineWriter(text).Str("user", "zoe").Str("host", host).Int("pid", pid).Int("time", 1700000000).End();
        lib.WriteFile("lib.lock", text);
    }
    HRESULT Reserve(std::string& error) {
        auto session = lib.Open();
        KelmSchemePartition partitions(*session);
        const HRESULT status = partitions.ReservePartition("PartsDBLibs\\Resistors.pdb", "alice");
        error = session->LastErrorText();
        return status;
    }
    TempLibrary lib;
};
}  // namespace

TEST_F(LockTest, IsExclusiveAndReleasedAtTheEnd) {
    LibraryLock first, second;
    std::string error;
    ASSERT_EQ(S_OK, first.Acquire(LockFile(), error));
    LockHolder holder;
    ASSERT_TRUE(ReadLockHolder(LockFile(), holder));
    EXPECT_EQ(platform::CurrentProcessId(), holder.pid);
    EXPECT_EQ(platform::HostName(), holder.host);
    EXPECT_EQ(KELM_E_LOCKED, second.Acquire(LockFile(), error));
    EXPECT_NE(std::string::npos, error.find("process " + std::to_string(platform::CurrentProcessId())));
    EXPECT_EQ(KELM_E_LOCKED, Reserve(error));  // every write waits for the lock
    first.Release();
    EXPECT_FALSE(platform::StampOf(LockFile()).exists);
    EXPECT_EQ(S_OK, second.Acquire(LockFile(), error));
}

TEST_F(LockTest, ALockOfADeadProcessIsTakenOver) {
    ASSERT_TRUE(RunStoreChild({"lock-and-die", lib.File()}));
    ASSERT_TRUE(platform::StampOf(LockFile()).exists);
    std::string error;
    EXPECT_EQ(S_OK, Reserve(error)) << error;
    EXPECT_FALSE(platform::StampOf(LockFile()).exists);
}

TEST_F(LockTest, ALockWhoseProcessIdWasGivenToALaterProcessIsTakenOver) {
    // This process runs, but started long after the lock's time.
    WriteLock(platform::HostName(), platform::CurrentProcessId());
    std::string error;
    EXPECT_EQ(S_OK, Reserve(error)) << error;
    EXPECT_FALSE(platform::StampOf(LockFile()).exists);
    EXPECT_TRUE(platform::IsProcessAlive(platform::CurrentProcessId()));
    EXPECT_TRUE(platform::IsProcessAlive(platform::CurrentProcessId(), std::time(nullptr)));
    EXPECT_FALSE(platform::IsProcessAlive(platform::CurrentProcessId(), 1700000000));
}

TEST_F(LockTest, ALockFromAnotherHostIsNeverBroken) {
    WriteLock("elsewhere-host", platform::CurrentProcessId() + 100000);
    std::string error;
    EXPECT_EQ(KELM_E_LOCKED, Reserve(error));
    EXPECT_NE(std::string::npos, error.find("zoe on host elsewhere-host")) << error;
    EXPECT_NE(std::string::npos, error.find("never broken")) << error;
    EXPECT_TRUE(platform::StampOf(LockFile()).exists);
}

TEST_F(LockTest, AnUnreadableLockIsLeftAlone) {
    lib.WriteFile("lib.lock", "garbage");
    std::string error;
    EXPECT_EQ(KELM_E_LOCKED, Reserve(error));
    EXPECT_NE(std::string::npos, error.find("unreadable")) << error;
}

TEST(ReadOnlyFolder, GivesCleanErrors) {
#ifndef _WIN32
    TempLibrary lib;
    lib.AddPartitions({"PartsDBLibs\\Resistors.pdb"});
    std::filesystem::permissions(lib.Folder(), std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                                   std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    if (platform::CanWriteIn(lib.Folder())) GTEST_SKIP() << "this user writes into read-only folders (root)";
    auto session = lib.Open();
    KelmSchemePartition partitions(*session);
    EXPECT_EQ(KELM_E_IO, partitions.ReservePartition("PartsDBLibs\\Resistors.pdb", "alice"));
    EXPECT_NE(std::string::npos, session->LastErrorText().find("lib.lock")) << session->LastErrorText();
    EXPECT_EQ(S_OK, partitions.AddPartition("PartsDBLibs\\New.pdb", 1));
    EXPECT_EQ(KELM_E_IO, session->Save(nullptr, 0, 0));
    StringList list;
    EXPECT_EQ(S_OK, partitions.GetAllPartitions(list, 1));
#else
    GTEST_SKIP() << "folder rights are not POSIX modes here";
#endif
}

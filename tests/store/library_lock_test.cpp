// The library lock: exclusive, bounded waits, stale locks of dead processes
// taken over (also by many processes at once), locks of other hosts never
// broken.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <thread>

#include "ChildProcess.h"
#include "platform/AtomicFile.h"
#include "platform/Machine.h"
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
    // A lock (or a takeover claim) as a process writes it. With this
    // process's id and a time long before it started, it is a stale one.
    void WriteLock(const std::string& host, long pid, const std::string& file = "lib.lock", const std::string& id = {},
                   long long time = 1700000000) {
        std::string text = jsonl::Header("lock", 1);
        jsonl::LineWriter line(text);
        line.Str("user", "zoe").Str("host", host).Int("pid", pid).Int("time", time);
        if (!id.empty()) line.Str("id", id);
        line.End();
        lib.WriteFile(file, text);
    }
    HRESULT Reserve(std::string& error) {
        auto session = lib.Open();
        KelmSchemePartition partitions(*session);
        const HRESULT status = partitions.ReservePartition("PartsDBLibs\\Resistors.pdb", "alice");
        error = session->LastErrorText();
        return status;
    }
    bool Exists(const std::string& file) const { return platform::StampOf(lib.Path(file)).exists; }
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
    EXPECT_FALSE(Exists("lib.lock"));
    EXPECT_EQ(S_OK, second.Acquire(LockFile(), error));
}

TEST_F(LockTest, ALockOfADeadProcessIsTakenOver) {
    ASSERT_TRUE(RunStoreChild({"lock-and-die", lib.File()}));
    ASSERT_TRUE(Exists("lib.lock"));
    std::string error;
    EXPECT_EQ(S_OK, Reserve(error)) << error;
    EXPECT_FALSE(Exists("lib.lock"));
}

TEST_F(LockTest, ALockWhoseProcessIdWasGivenToALaterProcessIsTakenOver) {
    // This process runs, but started long after the lock's time (and the
    // lock has no id, as locks of earlier versions: its text stands for it).
    WriteLock(platform::HostName(), platform::CurrentProcessId());
    std::string error;
    EXPECT_EQ(S_OK, Reserve(error)) << error;
    EXPECT_FALSE(Exists("lib.lock"));
    EXPECT_TRUE(platform::IsProcessAlive(platform::CurrentProcessId()));
    EXPECT_TRUE(platform::IsProcessAlive(platform::CurrentProcessId(), std::time(nullptr)));
    EXPECT_FALSE(platform::IsProcessAlive(platform::CurrentProcessId(), 1700000000));
}

TEST_F(LockTest, ATakeoverClaimedByALiveSessionIsLeftToIt) {
    WriteLock(platform::HostName(), platform::CurrentProcessId(), "lib.lock", "a1");
    WriteLock(platform::HostName(), platform::CurrentProcessId(), "lib.lock.takeover-a1", "b2", std::time(nullptr));
    std::string error;
    EXPECT_EQ(KELM_E_LOCKED, Reserve(error));
    EXPECT_TRUE(Exists("lib.lock") && Exists("lib.lock.takeover-a1"));
    // The claim's session died: its claim is taken over in turn, then the lock.
    WriteLock(platform::HostName(), platform::CurrentProcessId(), "lib.lock.takeover-a1", "b2");
    EXPECT_EQ(S_OK, Reserve(error)) << error;
    EXPECT_FALSE(Exists("lib.lock") || Exists("lib.lock.takeover-a1") || Exists("lib.lock.takeover-b2"));
}

TEST_F(LockTest, ALockFromAnotherHostIsNeverBroken) {
    WriteLock("elsewhere-host", platform::CurrentProcessId() + 100000);
    std::string error;
    EXPECT_EQ(KELM_E_LOCKED, Reserve(error));
    EXPECT_NE(std::string::npos, error.find("zoe on host elsewhere-host")) << error;
    EXPECT_NE(std::string::npos, error.find("never broken")) << error;
    EXPECT_TRUE(Exists("lib.lock"));
}

TEST_F(LockTest, AnUnreadableLockIsLeftAlone) {
    lib.WriteFile("lib.lock", "garbage");
    std::string error;
    EXPECT_EQ(KELM_E_LOCKED, Reserve(error));
    EXPECT_NE(std::string::npos, error.find("unreadable")) << error;
}

// Many processes take over one stale lock after another, each with forced
// pauses at every step of the takeover in turn; each holder leaves the lock
// stale for the next. A marker file created exclusively while inside shows
// two holders at once. KELM_LOCK_STRESS_SEED repeats a run's pauses.
TEST(LockTakeover, ManyProcessesNeverHoldTheLockTogether) {
#ifdef _WIN32
    const int processes = 6, rounds = 170;  // processes and files are slower under Wine
#else
    const int processes = 8, rounds = 350;
#endif
    const char* seedText = std::getenv("KELM_LOCK_STRESS_SEED");
    const unsigned long seed = seedText ? std::strtoul(seedText, nullptr, 10) : static_cast<unsigned long>(std::time(nullptr));
    SCOPED_TRACE("KELM_LOCK_STRESS_SEED=" + std::to_string(seed));
    TempLibrary lib;
    std::vector<std::thread> threads;
    std::vector<int> ok(processes, 0);
    for (int index = 0; index < processes; ++index) {
        threads.emplace_back([&, index] {
            ok[index] = RunStoreChild({"lock-stress", lib.Path("lib.lock"), lib.Path("inside"), std::to_string(rounds),
                                       std::to_string(seed), std::to_string(index)},
                                      lib.Path("child-" + std::to_string(index) + ".txt"));
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int index = 0; index < processes; ++index)
        EXPECT_TRUE(ok[index]) << "process " << index << ": " << lib.ReadFile("child-" + std::to_string(index) + ".txt");
    // The last holder left the lock stale; every other holder took one over or found it free.
    LockHolder holder;
    ASSERT_TRUE(ReadLockHolder(lib.Path("lib.lock"), holder));
    EXPECT_EQ(1, holder.time);
    EXPECT_FALSE(platform::StampOf(lib.Path("inside")).exists);
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

// The library lock: exclusive, bounded waits, stale locks of dead processes taken over (also by many processes at
// once), locks of other hosts never broken.
#include <gtest/gtest.h>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <thread>
#include "ChildProcess.h"
#include "platform/AtomicFile.h"
#include "platform/Machine.h"
#include "store/file/LibraryLock.h"
#include "store/format/JsonLines.h"
#include "store/items/KelmSchemePartition.h"
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
    HRESULT Reserve(std::string& error) {
        auto session = lib.Open();
        KelmSchemePartition partitions(*session);
        const HRESULT status = partitions.ReservePartition("PartsDBLibs\\Resistors.pdb", "alice");
        error = session->LastErrorText();
        if (status == S_OK) partitions.UnReservePartition("PartsDBLibs\\Resistors.pdb", "alice");  // for the next call
        return status;
    }
    bool Exists(const std::string& file) const { return platform::StampOf(lib.Path(file)).exists; }
    TempLibrary lib;
};
// A lock (or a takeover claim) as a process of `host` writes it. With this process's id and a time long before it
// started, it is a stale one.
std::string LockText(const std::string& host, long pid, const std::string& id = {}, long long time = 1700000000) {
    std::string text = jsonl::Header("lock", 1);
    jsonl::LineWriter line(text);
    line.Str("user", "zoe").Str("host", host).Int("pid", pid).Int("time", time);
    if (!id.empty()) line.Str("id", id);
    line.End();
    return text;
}
}  // namespace

TEST_F(LockTest, ALockOfADeadProcessIsTakenOver) {
    ASSERT_TRUE(RunStoreChild({"lock-and-die", lib.File()}));
    ASSERT_TRUE(Exists("lib.lock"));
    std::string error;
    EXPECT_EQ(S_OK, Reserve(error)) << error;
}

// Locks and takeover claims left in the folder: which are taken over (and gone afterwards), which are left alone and
// why.
TEST_F(LockTest, StaleLocksAreTakenOverOthersLeftAlone) {
    const std::string host = platform::HostName();
    const long me = platform::CurrentProcessId();
    const struct {
        const char* what;
        std::map<std::string, std::string> files;
        HRESULT status;
        std::vector<std::string> said;  // in the error text
    } kCases[] = {
        // This process runs, but started long after the lock's time; without an id (as locks of earlier versions) the
        // lock's text stands for it.
        {"a process id given to a later process", {{"lib.lock", LockText(host, me)}}, S_OK, {}},
        {"a takeover claimed by a live session",
         {{"lib.lock", LockText(host, me, "a1")}, {"lib.lock.takeover-a1", LockText(host, me, "b2", std::time(nullptr))}},
         KELM_E_LOCKED, {}},
        {"a claim whose session died", {{"lib.lock", LockText(host, me, "a1")}, {"lib.lock.takeover-a1", LockText(host, me, "b2")}},
         S_OK, {}},
        {"another host", {{"lib.lock", LockText("elsewhere-host", me + 100000)}}, KELM_E_LOCKED,
         {"zoe on host elsewhere-host", "never broken"}},
        {"an unreadable lock", {{"lib.lock", "garbage"}}, KELM_E_LOCKED, {"unreadable"}},
    };
    for (const auto& test : kCases) {
        SCOPED_TRACE(test.what);
        for (const auto& [file, text] : test.files) lib.WriteFile(file, text);
        std::string error;
        EXPECT_EQ(test.status, Reserve(error)) << error;
        for (const std::string& text : test.said) EXPECT_NE(std::string::npos, error.find(text)) << error;
        for (const auto& [file, text] : test.files) EXPECT_EQ(test.status != S_OK, Exists(file)) << file;
        EXPECT_FALSE(Exists("lib.lock.takeover-b2"));
        for (const auto& [file, text] : test.files) std::filesystem::remove(lib.Path(file));
    }
}

// Many processes take over one stale lock after another, each with forced pauses at every step of the takeover in
// turn; each holder leaves the lock stale for the next. A marker file created exclusively while inside shows two
// holders at once. KELM_LOCK_STRESS_SEED repeats a run's pauses.
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

TEST(ReadOnlyFolder, ASaveNamesTheLockItCannotCreate) {
#ifndef _WIN32
    TempLibrary lib;
    std::filesystem::permissions(lib.Folder(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    if (platform::CanWriteIn(lib.Folder())) GTEST_SKIP() << "this user writes into read-only folders (root)";
    auto session = lib.Open();
    ASSERT_EQ(S_OK, KelmSchemePartition(*session).AddPartition("PartsDBLibs\\New.pdb", 1));
    EXPECT_EQ(KELM_E_IO, session->Save(nullptr, 0, 0));
    EXPECT_NE(std::string::npos, session->LastErrorText().find("lib.lock")) << session->LastErrorText();
#else
    GTEST_SKIP() << "folder rights are not POSIX modes here";
#endif
}

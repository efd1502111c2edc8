// Two sessions on one library, as two objects in one process and as processes: configuration changes are merged,
// saves of different partitions at the same time lose nothing, and a save that would overwrite another session's
// change, break a library-wide rule (a cell name has the same pins everywhere, a part number lives in one
// partition) or edit a partition reserved by someone else since is refused under the lock, writes nothing and names
// what collided and where it lives.
#include <gtest/gtest.h>
#include <map>
#include <thread>
#include <tuple>
#include "ChildProcess.h"
#include "LibraryAnswers.h"
#include "store/file/LibraryLock.h"
#include "store/items/KelmCell.h"
#include "store/items/KelmPart.h"
#include "store/items/KelmSchemePartition.h"
#include "support/TempLibrary.h"
using namespace kelm;
using namespace kelm::store;
using kelm::testing::RunStoreChild;
using kelm::testing::TempLibrary;
namespace {
const std::string kParts = "PartsDBLibs\\Resistors.pdb", kCaps = "PartsDBLibs\\Caps.pdb";
class TwoSessions : public ::testing::Test {
protected:
    void SetUp() override {
        lib.AddPartitions({kParts, kCaps, "CellDBLibs\\Smd.cel", "CellDBLibs\\Thru.cel"});
        a = lib.Open();
        b = lib.Open();
    }
    StringList PartsIn(const std::string& partition) {
        auto session = lib.Open(1);
        StringList list;
        EXPECT_EQ(S_OK, KelmPart(*session, nullptr).GetPartsInPartition(list, partition)) << session->LastErrorText();
        return list;
    }
    auto Files() const {
        return kelm::testing::FilesOf(lib, {"lib.qvm", "PartsDBLibs/Resistors.pdb", "PartsDBLibs/Caps.pdb", "CellDBLibs/Smd.cells",
                                            "CellDBLibs/Thru.cells", "lib.reservations"});
    }
    TempLibrary lib;
    std::unique_ptr<KelmServer> a, b;
};
}  // namespace

TEST_F(TwoSessions, ConfigurationChangesOfBothAreMerged) {
    KelmSchemePartition first(*a), second(*b);
    ASSERT_EQ(S_OK, first.AddPartition("PartsDBLibs\\Diodes.pdb", 1));
    ASSERT_EQ(S_OK, first.AddSearchScheme("Alice", {"PartsDBLibs\\Diodes.pdb"}, 0, 0));
    ASSERT_EQ(S_OK, second.AddPartition("CellDBLibs\\Bga.cel", 1));
    ASSERT_EQ(S_OK, second.DeletePartition(kCaps));
    ASSERT_EQ(S_OK, second.DeleteScheme("(Default)"));
    ASSERT_EQ(S_OK, second.AddSearchScheme("(Default)", {"CellDBLibs\\Bga.cel", kParts}, 7, 1));
    ASSERT_EQ(S_OK, a->Save(nullptr, 0, 0));
    ASSERT_EQ(S_OK, b->Save(nullptr, 0, 0)) << b->LastErrorText();
    auto session = lib.Open(1);
    KelmSchemePartition merged(*session);
    StringList list;
    merged.GetAllPartitions(list, 1);
    EXPECT_EQ((StringList{"CellDBLibs\\Bga.cel", "CellDBLibs\\Smd.cel", "CellDBLibs\\Thru.cel", "PartsDBLibs\\Diodes.pdb", kParts}),
              list);
    merged.GetSchemes(list);
    EXPECT_EQ((StringList{"(Default)", "Alice"}), list);
    merged.GetDefaultSearchScheme(list);
    EXPECT_EQ((StringList{"CellDBLibs\\Bga.cel", kParts}), list);
    int protection = 0;
    merged.GetDefaultSchemeProtection(protection);
    EXPECT_EQ(7, protection);
}

TEST_F(TwoSessions, APartitionChangedByAnotherSessionRefusesTheSave) {
    lib.Reserve(kParts, "alice");
    KelmPart first(*a, nullptr), second(*b, nullptr);
    for (KelmPart* parts : {&first, &second}) parts->SetWorkingUserName("alice");
    ASSERT_EQ(S_OK, first.Add("Resistors", {}, "R1", nullptr, 0, 0));
    ASSERT_EQ(S_OK, second.Add("Resistors", {}, "R2", nullptr, 0, 0));
    ASSERT_EQ(S_OK, a->Save(nullptr, 0, 0));
    const auto saved = Files();
    EXPECT_EQ(KELM_E_CONFLICT, b->Save(nullptr, 0, 0));
    EXPECT_NE(std::string::npos, b->LastErrorText().find("Resistors"));
    EXPECT_EQ(saved, Files());
    // Reloading drops the refused edit and shows the other one.
    ASSERT_EQ(S_OK, b->Load(nullptr, 1));
    std::string partition;
    EXPECT_EQ(S_OK, second.GetPartition(partition, "R1"));
    EXPECT_EQ("Resistors", partition);
}

// A session that has looked something up sees what another session saved
// since once it has saved itself, without a reload; so it does after a
// writer that died holding the lock (and so left no release mark).
TEST_F(TwoSessions, EachSeesWhatOthersWroteOnceItHasSaved) {
    lib.Reserve(kParts, "alice");
    lib.Reserve(kCaps, "bob");
    KelmPart alices(*a, nullptr), bobs(*b, nullptr);
    alices.SetWorkingUserName("alice");
    bobs.SetWorkingUserName("bob");
    std::string partition = "?";
    EXPECT_EQ(S_OK, alices.GetPartition(partition, "C1"));
    EXPECT_EQ("", partition);
    ASSERT_EQ(S_OK, bobs.Add("Caps", {}, "C1", nullptr, 0, 0));
    ASSERT_EQ(S_OK, b->Save(nullptr, 0, 0));
    ASSERT_EQ(S_OK, alices.Add("Resistors", {}, "R1", nullptr, 0, 0));
    ASSERT_EQ(S_OK, a->Save(nullptr, 0, 0)) << a->LastErrorText();
    EXPECT_EQ(S_OK, alices.GetPartition(partition, "C1")) << a->LastErrorText();
    EXPECT_EQ("Caps", partition);

    LibraryLock dying;
    std::string error;
    ASSERT_EQ(S_OK, dying.Acquire(lib.Path("lib.lock"), error)) << error;
    lib.WriteFile("PartsDBLibs/Caps.pdb", "{\"kelm\":\"parts\",\"version\":1,\"lines\":1}\n"
                                         "{\"number\":\"C2\",\"pins\":[],\"cells\":[],\"symbols\":[]}\n");
    dying.AbandonForTesting();
    ASSERT_EQ(S_OK, alices.Delete("R1"));  // a save with no number to check against the other partitions
    ASSERT_EQ(S_OK, a->Save(nullptr, 0, 0)) << a->LastErrorText();
    EXPECT_EQ(S_OK, alices.GetPartition(partition, "C2")) << a->LastErrorText();
    EXPECT_EQ("Caps", partition);
}

TEST_F(TwoSessions, ACellOfTheFirstSaveWithOtherPinsRefusesTheSecondWhichWritesNothing) {
    lib.Reserve("CellDBLibs\\Smd.cel", "alice");
    lib.Reserve("CellDBLibs\\Thru.cel", "bob");
    for (const auto& [cell, pins, status] : {std::tuple{"SOT89", StringList{"2", "1"}, S_OK},
                                             std::tuple{"SOT23", StringList{"1", "2", "3"}, KELM_E_CONFLICT}}) {
        KelmCell alices(*a, nullptr, nullptr), bobs(*b, nullptr, nullptr);
        alices.SetWorkingUserName("alice");
        bobs.SetWorkingUserName("bob");
        ASSERT_EQ(S_OK, alices.Add({"1", "2"}, cell, "Smd", 0, 0, 0, 0));
        ASSERT_EQ(S_OK, bobs.Add(pins, cell, "Thru", 0, 0, 0, 0));
        ASSERT_EQ(S_OK, KelmSchemePartition(*b).AddPartition("PartsDBLibs\\" + std::string(cell) + ".pdb", 1));
        ASSERT_EQ(S_OK, a->Save(nullptr, 0, 0)) << a->LastErrorText();
        const auto saved = Files();
        EXPECT_EQ(status, b->Save(nullptr, 0, 0)) << b->LastErrorText();
        if (status == S_OK) continue;
        EXPECT_NE(std::string::npos, b->LastErrorText().find("so nothing was saved: SOT23 (in Smd)")) << b->LastErrorText();
        EXPECT_EQ(saved, Files());  // the new partition neither
        kelm::testing::ExpectAnswersOfFiles(lib, {"SOT23"}, cell);
    }
}

TEST_F(TwoSessions, AnEditIsNotSavedOnceTheReservationWentToSomeoneElse) {
    KelmSchemePartition first(*a), second(*b);
    ASSERT_EQ(S_OK, first.ReservePartition(kParts, "alice"));
    KelmPart parts(*a, nullptr);
    parts.SetWorkingUserName("alice");
    ASSERT_EQ(S_OK, parts.Add("Resistors", {}, "R1", nullptr, 0, 0));
    ASSERT_EQ(S_OK, second.UnReservePartition(kParts, "alice"));  // released elsewhere
    ASSERT_EQ(S_OK, second.ReservePartition(kParts, "bob"));
    EXPECT_EQ(KELM_E_RESERVED_BY_OTHER, a->Save(nullptr, 0, 0));
    EXPECT_EQ(StringList{}, PartsIn("Resistors"));
}

TEST_F(TwoSessions, ADamagedPartitionOfAnotherSessionFailsTheCheckByName) {
    lib.Reserve(kCaps, "bob");
    KelmPart bobs(*b, nullptr);
    bobs.SetWorkingUserName("bob");
    ASSERT_EQ(S_OK, bobs.Add("Caps", {}, "X2", nullptr, 0, 0));
    lib.WriteFile("PartsDBLibs/Resistors.pdb", "{\"kelm\":\"parts\",\"version\":1,\"lines\":1}\n{\"number\":}\n");
    EXPECT_EQ(KELM_E_CORRUPT, b->Save(nullptr, 0, 0));
    EXPECT_NE(std::string::npos, b->LastErrorText().find("Resistors.pdb, line 2")) << b->LastErrorText();
}

TEST_F(TwoSessions, ProcessesSavingAtTheSameTimeLoseNothing) {
    lib.AddPartitions({"PartsDBLibs\\Diodes.pdb"});
    lib.Reserve(kParts, "alice");
    bool first = false, second = false;
    std::thread one([&] { first = RunStoreChild({"add-parts", lib.File(), "bob", "Caps", "B", "20", "5"}); });
    std::thread two([&] { second = RunStoreChild({"add-parts", lib.File(), "carol", "Diodes", "D", "20", "5"}); });
    // Meanwhile this session changes the configuration and a partition of its own.
    auto session = lib.Open();
    KelmPart parts(*session, nullptr);
    parts.SetWorkingUserName("alice");
    KelmSchemePartition partitions(*session);
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(S_OK, parts.Add("Resistors", {}, "R" + std::to_string(i), nullptr, 0, 0));
        ASSERT_EQ(S_OK, partitions.AddSearchScheme("S" + std::to_string(i), {kParts}, 0, 0));
        ASSERT_EQ(S_OK, session->Save(nullptr, 0, 0)) << session->LastErrorText();
    }
    one.join();
    two.join();
    EXPECT_TRUE(first && second);
    EXPECT_EQ(100u, PartsIn("Caps").size());
    EXPECT_EQ(100u, PartsIn("Diodes").size());
    EXPECT_EQ(5u, PartsIn("Resistors").size());
}

// Two processes import the same numbers into two partitions at once, many times.
TEST(TwoProcesses, ConcurrentImportsOfTheSameNumbersLeaveEachInOnePartition) {
    TempLibrary lib;
    lib.AddPartitions({"PartsDBLibs\\Left.pdb", "PartsDBLibs\\Right.pdb"});
    constexpr int kRounds = 6, kNumbers = 1000;
    for (int round = 0; round < kRounds; ++round) {
        const std::string prefix = "N" + std::to_string(round) + "-";
        bool ok[2] = {false, false};
        const std::string outputs[2] = {lib.Path("left.out"), lib.Path("right.out")};
        const auto run = [&](int side, const char* user, const char* partition) {
            ok[side] = RunStoreChild({"add-parts", lib.File(), user, partition, prefix, std::to_string(kNumbers)}, outputs[side]);
        };
        std::thread left(run, 0, "lefty", "Left");
        run(1, "righty", "Right");
        left.join();
        EXPECT_TRUE(ok[0] != ok[1]) << "round " << round << ": both saved the same numbers, or neither did";
        const int loser = ok[0] ? 1 : 0;
        const std::string output = kelm::testing::ReadFileBytes(outputs[loser]);
        EXPECT_NE(std::string::npos, output.find(prefix + "0-")) << output;
        EXPECT_NE(std::string::npos, output.find(loser == 0 ? "Right" : "Left")) << output;
    }
    // Every number in exactly one partition.
    std::map<std::string, int> homes;
    for (const char* file : {"PartsDBLibs/Left.pdb", "PartsDBLibs/Right.pdb"}) {
        PartMap parts;
        std::string error;
        ASSERT_TRUE(ParsePartFile(lib.ReadFile(file), file, "", parts, error)) << error;
        for (const auto& [number, part] : parts) ++homes[number];
    }
    EXPECT_EQ(static_cast<std::size_t>(kRounds * kNumbers), homes.size());
    for (const auto& [number, count] : homes) ASSERT_EQ(1, count) << number;
}

// The library-wide rules hold across sessions and processes: a part number
// lives in one partition, a cell name has the same pins everywhere. A save
// that would break one is refused under the lock, writes nothing, and names
// every item that collided and where it lives.
#include <gtest/gtest.h>

#include <map>
#include <thread>

#include "ChildProcess.h"
#include "LibraryAnswers.h"
#include "store/items/KelmCell.h"
#include "store/items/KelmPart.h"
#include "store/items/KelmSchemePartition.h"
#include "support/TempLibrary.h"

using namespace kelm;
using namespace kelm::store;
using kelm::testing::RunStoreChild;
using kelm::testing::TempLibrary;

namespace {
const std::vector<std::string> kFiles = {"lib.qvm", "PartsDBLibs/Resistors.pdb", "PartsDBLibs/Caps.pdb",
                                         "CellDBLibs/Smd.cells", "CellDBLibs/Thru.cells"};

struct TwoSavingSessions {
    TwoSavingSessions() {
        lib.AddPartitions({"PartsDBLibs\\Resistors.pdb", "PartsDBLibs\\Caps.pdb", "CellDBLibs\\Smd.cel", "CellDBLibs\\Thru.cel"});
        for (const char* path : {"PartsDBLibs\\Resistors.pdb", "CellDBLibs\\Smd.cel"}) lib.Reserve(path, "alice");
        for (const char* path : {"PartsDBLibs\\Caps.pdb", "CellDBLibs\\Thru.cel"}) lib.Reserve(path, "bob");
        a = lib.Open();
        b = lib.Open();
    }
    std::map<std::string, std::string> Files() const {
        std::map<std::string, std::string> files;
        for (const std::string& file : kFiles) files[file] = lib.ReadFile(file);
        return files;
    }
    TempLibrary lib;
    std::unique_ptr<KelmServer> a, b;
};
}  // namespace

// (Part numbers saved by two processes at once: below.)
TEST(LibraryRules, ACellOfTheFirstSaveWithOtherPinsRefusesTheSecondWhichWritesNothing) {
    for (const auto& [pins, status] : {std::pair{StringList{"1", "2", "3"}, KELM_E_CONFLICT}, std::pair{StringList{"2", "1"}, S_OK}}) {
        TwoSavingSessions sessions;
        auto& [lib, a, b] = sessions;
        KelmCell alices(*a, nullptr, nullptr), bobs(*b, nullptr, nullptr);
        alices.SetWorkingUserName("alice");
        bobs.SetWorkingUserName("bob");
        ASSERT_EQ(S_OK, alices.Add({"1", "2"}, "SOT23", "Smd", 0, 0, 0, 0));
        ASSERT_EQ(S_OK, bobs.Add(pins, "SOT23", "Thru", 0, 0, 0, 0));
        ASSERT_EQ(S_OK, KelmSchemePartition(*b).AddPartition("PartsDBLibs\\Extra.pdb", 1));  // not written either
        ASSERT_EQ(S_OK, a->Save(nullptr, 0, 0)) << a->LastErrorText();
        const auto saved = sessions.Files();
        EXPECT_EQ(status, b->Save(nullptr, 0, 0)) << b->LastErrorText();
        if (status == S_OK) continue;
        EXPECT_NE(std::string::npos, b->LastErrorText().find("so nothing was saved: SOT23 (in Smd)")) << b->LastErrorText();
        EXPECT_EQ(saved, sessions.Files());
        // The library answers as its files say.
        const auto expected = kelm::testing::AnswersFromFiles(lib.File(), {"SOT23"});
        EXPECT_EQ(expected, kelm::testing::AnswersOf(*lib.Open(1), expected));
    }
}

// (A part moved within one save: the model run.)
TEST(LibraryRules, ADamagedPartitionOfAnotherSessionFailsTheCheckByName) {
    TwoSavingSessions sessions;
    KelmPart bobs(*sessions.b, nullptr);
    bobs.SetWorkingUserName("bob");
    ASSERT_EQ(S_OK, bobs.Add("Caps", {}, "X2", nullptr, 0, 0));
    sessions.lib.WriteFile("PartsDBLibs/Resistors.pdb", "{\"kelm\":\"parts\",\"version\":1,\"lines\":1}\n{\"number\":}\n");
    EXPECT_EQ(KELM_E_CORRUPT, sessions.b->Save(nullptr, 0, 0));
    EXPECT_NE(std::string::npos, sessions.b->LastErrorText().find("Resistors.pdb, line 2")) << sessions.b->LastErrorText();
}

// Two processes import the same part numbers into two partitions at the
// same moment, many times: each number ends in exactly one partition, and
// the process that lost names the numbers and where they live.
TEST(LibraryRulesAcrossProcesses, ConcurrentImportsOfTheSameNumbersLeaveEachInOnePartition) {
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
        for (int loser = 0; loser < 2; ++loser) {
            if (ok[loser]) continue;
            const std::string output = kelm::testing::ReadFileBytes(outputs[loser]);
            EXPECT_NE(std::string::npos, output.find(prefix + "0-")) << output;
            EXPECT_NE(std::string::npos, output.find(loser == 0 ? "Right" : "Left")) << output;
        }
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

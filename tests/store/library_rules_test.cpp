// A part number lives in one partition, also when two processes import the same numbers into two partitions at once,
// many times: the save that would break the rule is refused under the lock and names every number that collided and
// where it lives.
#include <gtest/gtest.h>
#include <map>
#include <thread>
#include "ChildProcess.h"
#include "store/format/PartitionFiles.h"
#include "support/TempLibrary.h"
using namespace kelm;
using namespace kelm::store;
using kelm::testing::RunStoreChild;
using kelm::testing::TempLibrary;

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

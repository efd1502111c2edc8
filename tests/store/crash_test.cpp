// A save cut short at any write step (the child process ends at its Nth
// write, flush, rename or move) leaves every file either as it was or as
// the finished save writes it, a library whose every library-wide answer
// is that of its files (whatever became of the index), and that can be
// saved.
#include <gtest/gtest.h>

#include <filesystem>

#include "ChildProcess.h"
#include "LibraryAnswers.h"
#include "platform/Files.h"
#include "store/items/KelmPart.h"
#include "store/items/KelmSchemePartition.h"
#include "support/TempFolder.h"
#include "support/TempLibrary.h"

using namespace kelm;
using namespace kelm::store;
using kelm::testing::RunStoreChild;
using kelm::testing::TempLibrary;

namespace {
const std::vector<std::string> kTracked = {"lib.qvm", "PartsDBLibs/Resistors.pdb", "PartsDBLibs/Caps.pdb",
                                           "PartsDBLibs/Added.pdb", "CellDBLibs/Smd.cells", "lib.reservations"};

// Every partition reads, and a new edit is saved (taking over the lock that
// the dead process left behind).
void ExpectUsable(const TempLibrary& lib, int step) {
    kelm::testing::ExpectAnswersOfFiles(lib, {"N0", "N19", "R1", "NEWCELL", "NOWHERE"}, "step " + std::to_string(step));
    auto session = lib.Open();
    KelmSchemePartition partitions(*session);
    StringList all, items;
    ASSERT_EQ(S_OK, partitions.GetAllPartitions(all, 1));
    for (const std::string& path : all) {
        int count = 0;
        EXPECT_EQ(S_OK, partitions.GetNumObjectsInPartition(path, count)) << "step " << step << ": " << session->LastErrorText();
    }
    KelmPart parts(*session, nullptr);
    parts.SetWorkingUserName("alice");
    ASSERT_EQ(S_OK, parts.Add("Resistors", {}, "AFTER", nullptr, 0, 0)) << "step " << step << ": " << session->LastErrorText();
    EXPECT_EQ(S_OK, session->Save(nullptr, 0, 0)) << "step " << step << ": " << session->LastErrorText();
}
}  // namespace

TEST(CrashDuringSave, LeavesEveryFileOldOrNewAndTheLibraryUsable) {
    TempLibrary base;
    base.AddPartitions({"PartsDBLibs\\Resistors.pdb", "PartsDBLibs\\Caps.pdb", "CellDBLibs\\Smd.cel"});
    base.Reserve("PartsDBLibs\\Resistors.pdb", "alice");
    base.Reserve("CellDBLibs\\Smd.cel", "alice");
    {
        auto session = base.Open();
        KelmPart parts(*session, nullptr);
        parts.SetWorkingUserName("alice");
        for (const char* number : {"R1", "R2", "R3"}) ASSERT_EQ(S_OK, parts.Add("Resistors", {"1"}, number, nullptr, 0, 0));
        ASSERT_EQ(S_OK, parts.AddCell("NEWCELL", "R2"));
        ASSERT_EQ(S_OK, session->Save(nullptr, 0, 0));
    }
    std::filesystem::remove(base.Path("lib.index/Library.idx"));  // the child merges it again: its write is a step too
    const auto before = kelm::testing::FilesOf(base, kTracked);

    TempLibrary finished;
    kelm::testing::CopyTree(base.Folder(), finished.Folder());
    ASSERT_TRUE(RunStoreChild({"edit-and-save", finished.File(), "0"}));
    const auto after = kelm::testing::FilesOf(finished, kTracked);
    ASSERT_NE(before.at("lib.qvm"), after.at("lib.qvm"));
    ASSERT_NE(before.at("PartsDBLibs/Resistors.pdb"), after.at("PartsDBLibs/Resistors.pdb"));
    ASSERT_FALSE(after.at("PartsDBLibs/Caps.pdb"));

    int step = 1;
    for (; step < 200; ++step) {
        TempLibrary lib;
        kelm::testing::CopyTree(base.Folder(), lib.Folder());
        RunStoreChild({"edit-and-save", lib.File(), std::to_string(step)});
        const bool done = platform::StampOf(lib.File() + ".done").exists;
        const auto now = kelm::testing::FilesOf(lib, kTracked);
        for (const std::string& file : kTracked)
            EXPECT_TRUE(now.at(file) == before.at(file) || now.at(file) == after.at(file)) << "step " << step << ": " << file;
        // Additions come before the configuration, deletions after it.
        const bool newConfig = now.at("lib.qvm") == after.at("lib.qvm");
        EXPECT_TRUE(!newConfig || now.at("PartsDBLibs/Resistors.pdb") == after.at("PartsDBLibs/Resistors.pdb")) << "step " << step;
        EXPECT_TRUE(newConfig || now.at("PartsDBLibs/Caps.pdb")) << "step " << step;
        ExpectUsable(lib, step);
        if (done) {
            EXPECT_EQ(after, now);
            break;
        }
    }
    EXPECT_GT(step, 8);  // the save really went through many steps
    EXPECT_LT(step, 200);
}

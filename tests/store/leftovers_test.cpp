// What a crashed session leaves behind is removed by the next session that
// takes the library lock, and logged; nothing else is touched.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>

#include "ChildProcess.h"
#include "platform/Files.h"
#include "platform/Machine.h"
#include "store/items/KelmPart.h"
#include "store/items/KelmSchemePartition.h"
#include "support/TempLibrary.h"

using namespace kelm;
using namespace kelm::store;
using kelm::testing::RunStoreChild;
using kelm::testing::TempLibrary;

namespace {
std::vector<std::string> TemporaryFiles(const TempLibrary& lib) {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(lib.Folder()))
        if (entry.path().filename().string().find(".tmp-") != std::string::npos) found.push_back(entry.path().string());
    return found;
}
}  // namespace

TEST(Leftovers, AreRemovedByTheNextSessionThatTakesTheLock) {
    // Saves that die at ever later write steps, each on a fresh library,
    // until one leaves a temporary file.
    std::unique_ptr<TempLibrary> lib;
    std::vector<std::string> crashed;
    for (int step = 2; step < 20 && crashed.empty(); ++step) {
        lib = std::make_unique<TempLibrary>();
        lib->AddPartitions({"PartsDBLibs\\Resistors.pdb", "PartsDBLibs\\Caps.pdb", "CellDBLibs\\Smd.cel"});
        lib->Reserve("PartsDBLibs\\Resistors.pdb", "alice");
        lib->Reserve("CellDBLibs\\Smd.cel", "alice");
        auto session = lib->Open();
        KelmPart parts(*session, nullptr);
        parts.SetWorkingUserName("alice");
        ASSERT_EQ(S_OK, parts.Add("Resistors", {"1"}, "R1", nullptr, 0, 0));
        ASSERT_EQ(S_OK, session->Save(nullptr, 0, 0));
        EXPECT_FALSE(RunStoreChild({"edit-and-save", lib->File(), std::to_string(step)}));
        crashed = TemporaryFiles(*lib);
    }
    ASSERT_FALSE(crashed.empty());
    const std::string live = "PartsDBLibs/Resistors.pdb.tmp-" + std::to_string(platform::CurrentProcessId()) + "-7";
    const std::vector<std::string> planted = {"lib.lock.takeover-0123abc", "lib.lock.stale-123-1", live, "notes.tmp-x",
                                              "other.lock.takeover-1"};
    for (const std::string& file : planted) lib->WriteFile(file, "x");

    {
        auto session = lib->Open();
        KelmSchemePartition partitions(*session);
        partitions.InitPartitionType(kPartitionTypePart);
        EXPECT_EQ(S_OK, partitions.ReservePartition("Caps", "alice")) << session->LastErrorText();
    }
    const std::vector<std::string> left = TemporaryFiles(*lib);
    for (const std::string& file : crashed) EXPECT_EQ(left.end(), std::find(left.begin(), left.end(), file)) << file;
    const std::map<std::string, bool> kept = {{planted[0], false}, {planted[1], false}, {live, true},
                                              {"notes.tmp-x", true}, {"other.lock.takeover-1", true}};
    for (const auto& [file, stays] : kept) EXPECT_EQ(stays, platform::StampOf(lib->Path(file)).exists) << file;

    const std::string log = lib->ReadFile("LogFiles/KelmStore.log");
    const std::string crashedName = std::filesystem::path(crashed.front()).filename().string();
    EXPECT_NE(std::string::npos, log.find(crashedName)) << log;
    EXPECT_NE(std::string::npos, log.find("lib.lock.takeover-0123abc")) << log;
    EXPECT_NE(std::string::npos, log.find("(INFO)")) << log;
}

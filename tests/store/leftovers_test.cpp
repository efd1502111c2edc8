// What a crashed session leaves behind is removed by the next session that takes the library lock, and logged;
// nothing else is touched.
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
    // Saves that die at ever later write steps, each on a fresh library, until one leaves a temporary file.
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
    // Planted: removed (false; a writer id may have nine digits) or kept (true, a live process's or not the store's).
    const std::string live = "PartsDBLibs/Resistors.pdb.tmp-" + std::to_string(platform::CurrentProcessId()) + "-7";
    const std::map<std::string, bool> kept = {{"lib.lock.takeover-0123abc", false}, {"lib.lock.stale-123-1", false},
                                              {"PartsDBLibs/Caps.pdb.tmp-123456789-1", false},
                                              {live, true}, {"notes.tmp-x", true}, {"other.lock.takeover-1", true}};
    for (const auto& [file, stays] : kept) lib->WriteFile(file, "x");
    auto session = lib->Open();
    EXPECT_EQ(S_OK, KelmSchemePartition(*session).ReservePartition("PartsDBLibs\\Caps.pdb", "alice")) << session->LastErrorText();
    const std::vector<std::string> left = TemporaryFiles(*lib);
    for (const std::string& file : crashed) EXPECT_EQ(left.end(), std::find(left.begin(), left.end(), file)) << file;
    for (const auto& [file, stays] : kept) EXPECT_EQ(stays, platform::StampOf(lib->Path(file)).exists) << file;
    const std::string log = lib->ReadFile("LogFiles/KelmStore.log");
    for (const std::string& name : {std::filesystem::path(crashed.front()).filename().string(), std::string("(INFO)"),
                                   std::string("lib.lock.takeover-0123abc")})
        EXPECT_NE(std::string::npos, log.find(name)) << log;
}

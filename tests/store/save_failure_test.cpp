// A save that fails on I/O (a full disk, a refused write) at any of its write steps names the file and the system's
// error, in the status text and in the store's log, and loses nothing: other sessions still read the library, and the
// same session saves everything once the write succeeds.
#include <gtest/gtest.h>
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <vector>
#include "platform/AtomicFile.h"
#include "store/items/KelmPart.h"
#include "store/items/KelmSchemePartition.h"
#include "support/TempLibrary.h"
using namespace kelm;
using namespace kelm::store;
using kelm::testing::TempLibrary;
namespace {
int PartCount(const TempLibrary& lib) {
    auto session = lib.Open(1);
    KelmSchemePartition partitions(*session);
    partitions.InitPartitionType(kPartitionTypePart);
    int count = -1;
    EXPECT_EQ(S_OK, partitions.GetNumObjectsInPartition("Resistors", count)) << session->LastErrorText();
    return count;
}
}  // namespace

TEST(SaveFailure, NamesTheFileAndTheCauseAndLosesNothing) {
    const struct {
        platform::Fault fault;
        std::vector<std::string> causes;  // one of them in the system's text, on every system
    } kCases[] = {{platform::Fault::DiskFull, {"space", "disk full"}}, {platform::Fault::Denied, {"denied"}}};
    for (const auto& test : kCases) {
        int failures = 0;
        for (int step = 1; step <= 20; ++step) {
            SCOPED_TRACE("cause " + test.causes.front() + ", step " + std::to_string(step));
            TempLibrary lib;
            lib.AddPartitions({"PartsDBLibs\\Resistors.pdb", "PartsDBLibs\\Caps.pdb"});
            lib.Reserve("PartsDBLibs\\Resistors.pdb", "alice");
            auto session = lib.Open();
            KelmPart parts(*session, nullptr);
            parts.SetWorkingUserName("alice");
            ASSERT_EQ(S_OK, parts.Add("Resistors", {"1"}, "R0", nullptr, 0, 0));
            ASSERT_EQ(S_OK, session->Save(nullptr, 0, 0));
            for (const char* number : {"R1", "R2", "R3"}) ASSERT_EQ(S_OK, parts.Add("Resistors", {"1"}, number, nullptr, 0, 0));
            KelmSchemePartition partitions(*session);
            ASSERT_EQ(S_OK, partitions.AddPartition("PartsDBLibs\\Added.pdb", 1));
            ASSERT_EQ(S_OK, partitions.DeletePartition("PartsDBLibs\\Caps.pdb"));  // its file moves to Deleted
            platform::SetFaultForTesting(step, test.fault);
            const HRESULT saved = session->Save(nullptr, 0, 0);
            platform::SetFaultForTesting(0, platform::Fault::None);
            if (saved == S_OK) continue;  // the step was past the save's last write, or one whose failure is harmless
            ++failures;
            EXPECT_EQ(KELM_E_IO, saved);
            const std::string text = session->LastErrorText();
            std::string lower = text;
            for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            EXPECT_NE(std::string::npos, text.find(lib.Folder().substr(0, lib.Folder().size() - 1))) << text;
            EXPECT_TRUE(std::any_of(test.causes.begin(), test.causes.end(),
                                    [&](const std::string& cause) { return lower.find(cause) != std::string::npos; }))
                << text;
            EXPECT_NE(std::string::npos, lib.ReadFile("LogFiles/KelmStore.log").find("(ERROR)   lib: " + text));
            const int seen = PartCount(lib);
            EXPECT_TRUE(seen == 1 || seen == 4) << seen;
            ASSERT_EQ(S_OK, session->Save(nullptr, 0, 0)) << session->LastErrorText();
            EXPECT_EQ(4, PartCount(lib));
            StringList all;
            EXPECT_EQ(S_OK, partitions.GetAllPartitions(all, 1));
            EXPECT_EQ((StringList{"PartsDBLibs\\Added.pdb", "PartsDBLibs\\Resistors.pdb"}), all);
            for (const auto& entry : std::filesystem::recursive_directory_iterator(lib.Folder()))
                EXPECT_EQ(std::string::npos, entry.path().string().find(".tmp-")) << entry.path();
        }
        EXPECT_GE(failures, 4);
    }
}

// The example library's hand-made files are exactly what the store writes
// for the same content (what it holds is read by the tool and client tests).
#include <gtest/gtest.h>

#include "store/items/KelmCell.h"
#include "store/items/KelmPart.h"
#include "store/items/KelmSchemePartition.h"
#include "support/TempFolder.h"
#include "support/TempLibrary.h"

using namespace kelm;
using namespace kelm::store;
using kelm::testing::TempLibrary;

namespace {
class ExampleLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        kelm::testing::CopyTree(std::string(KELM_SOURCE_DIR) + "/examples/library", copy.Folder());
        file = copy.Folder() + "Demo.qvm";
        server = std::make_unique<KelmServer>(nullptr, CreateDefaultBackend());
        ASSERT_EQ(S_OK, server->Load(file.c_str(), 0)) << server->LastErrorText();
    }
    TempLibrary copy;
    std::string file;
    std::unique_ptr<KelmServer> server;
};
}  // namespace

TEST_F(ExampleLibrary, FilesAreWrittenBackByteForByte) {
    const std::string qvm = copy.ReadFile("Demo.qvm");
    const std::string resistors = copy.ReadFile("PartsDBLibs/Resistors.pdb");
    const std::string smd = copy.ReadFile("CellDBLibs/Smd.cells");
    KelmSchemePartition partitions(*server);
    ASSERT_EQ(S_OK, partitions.ReservePartition("PartsDBLibs\\Resistors.pdb", "alice"));
    ASSERT_EQ(S_OK, partitions.ReservePartition("CellDBLibs\\Smd.cel", "alice"));
    ASSERT_EQ(S_OK, partitions.AddSearchScheme("Temporary", {}, 0, 0));
    ASSERT_EQ(S_OK, partitions.DeleteScheme("Temporary"));
    KelmPart parts(*server, nullptr);
    parts.SetWorkingUserName("alice");
    ASSERT_EQ(S_OK, parts.SetTimestamp(1764900000, "R-0603-10K"));
    KelmCell cells(*server, nullptr, nullptr);
    cells.SetWorkingUserName("alice");
    ASSERT_EQ(S_OK, cells.SetTimestamp(1764900000, "CAP0603", "Smd"));
    ASSERT_EQ(S_OK, server->Save(nullptr, 0, 0)) << server->LastErrorText();
    EXPECT_EQ(qvm, copy.ReadFile("Demo.qvm"));
    EXPECT_EQ(resistors, copy.ReadFile("PartsDBLibs/Resistors.pdb"));
    EXPECT_EQ(smd, copy.ReadFile("CellDBLibs/Smd.cells"));
}

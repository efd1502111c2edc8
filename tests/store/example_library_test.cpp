// The example library's hand-made files are exactly what the store writes for the same content (what it holds is read
// by the tool and client tests).
#include <gtest/gtest.h>
#include "store/items/KelmCell.h"
#include "store/items/KelmPart.h"
#include "store/items/KelmSchemePartition.h"
#include "support/TempLibrary.h"
using namespace kelm;
using namespace kelm::store;

TEST(ExampleLibrary, FilesAreWrittenBackByteForByte) {
    kelm::testing::TempLibrary copy;
    kelm::testing::CopyTree(std::string(KELM_SOURCE_DIR) + "/examples/library", copy.Folder());
    const std::vector<std::string> files = {"Demo.qvm", "PartsDBLibs/Resistors.pdb", "CellDBLibs/Smd.cells"};
    std::vector<std::string> before;
    for (const std::string& file : files) before.push_back(copy.ReadFile(file));
    KelmServer server(nullptr, CreateDefaultBackend());
    ASSERT_EQ(S_OK, server.Load((copy.Folder() + "Demo.qvm").c_str(), 0)) << server.LastErrorText();
    KelmSchemePartition partitions(server);
    ASSERT_EQ(S_OK, partitions.ReservePartition("PartsDBLibs\\Resistors.pdb", "alice"));
    ASSERT_EQ(S_OK, partitions.ReservePartition("CellDBLibs\\Smd.cel", "alice"));
    ASSERT_EQ(S_OK, partitions.AddSearchScheme("Temporary", {}, 0, 0));  // the configuration is written too
    ASSERT_EQ(S_OK, partitions.DeleteScheme("Temporary"));
    KelmPart parts(server, nullptr);
    parts.SetWorkingUserName("alice");
    ASSERT_EQ(S_OK, parts.SetTimestamp(1764900000, "R-0603-10K"));
    KelmCell cells(server, nullptr, nullptr);
    cells.SetWorkingUserName("alice");
    ASSERT_EQ(S_OK, cells.SetTimestamp(1764900000, "CAP0603", "Smd"));
    ASSERT_EQ(S_OK, server.Save(nullptr, 0, 0)) << server.LastErrorText();
    for (std::size_t i = 0; i < files.size(); ++i) EXPECT_EQ(before[i], copy.ReadFile(files[i])) << files[i];
}

// The example library loads, holds what its README promises, and its
// hand-made files are exactly what the store writes for the same content.
#include <gtest/gtest.h>

#include "store/db/CellDB.h"
#include "store/items/KelmCell.h"
#include "store/items/KelmPart.h"
#include "store/items/KelmSchemePartition.h"
#include "store/items/KelmSymbol.h"
#include "store/file/LibraryTools.h"
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

TEST_F(ExampleLibrary, HoldsPartitionsSchemesPartsCellsAndSymbols) {
    KelmSchemePartition partitions(*server);
    StringList list;
    ASSERT_EQ(S_OK, partitions.GetAllPartitions(list, 1));
    EXPECT_EQ(7u, list.size());
    ASSERT_EQ(S_OK, partitions.GetSchemes(list));
    EXPECT_EQ((StringList{"(Default)", "Smd only"}), list);
    KelmPart parts(*server, nullptr);
    std::string partition;
    EXPECT_EQ(S_OK, parts.GetPartition(partition, "SN74HC00"));
    EXPECT_EQ("Logic", partition);
    KelmCell cells(*server, nullptr, nullptr);
    EXPECT_EQ(S_OK, cells.GetPartNumbers(list, "SOIC14"));
    EXPECT_EQ((StringList{"SN74HC00", "SN74HC04"}), list);
    EXPECT_EQ(S_OK, cells.GetPartitionNames(list, "DIP14"));
    EXPECT_EQ(StringList{"Thru"}, list);
    KelmSymbol symbols(*server, nullptr, nullptr, kPartitionTypeSymbol);
    EXPECT_EQ(S_OK, symbols.GetSymbolsInPartition(list, "Gates"));
    EXPECT_EQ((StringList{"Gates:INV", "Gates:NAND2"}), list);
    EXPECT_EQ(S_OK, symbols.GetPinNames(list, "Passives:RES"));
    EXPECT_EQ((StringList{"1", "2"}), list);

    celldb::CCellDB db;
    db.Init();
    ASSERT_EQ(0, db.Load((copy.Folder() + "CellDBLibs/Smd.cel").c_str(), 1));
    celldb::CCellDBCell cell;
    EXPECT_EQ(0, db.FindCell(cell, "QFN16"));
    EXPECT_FALSE(cells.DoesCellExist("QFN16", "Smd"));  // geometry only, not yet imported
    std::vector<padstackdb::PadstackData> padstacks;
    ASSERT_EQ(S_OK, PadstackDBList(copy.Folder() + "Demo.pads", padstacks));
    EXPECT_EQ(6u, padstacks.size());
}

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

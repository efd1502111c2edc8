// Part type and cell import against the file store: what a fresh object
// reads back after the client saved, and the warnings in the log.
#include <gtest/gtest.h>

#include "import/CellImport.h"
#include "import/PartImport.h"
#include "maintenance/Partitions.h"
#include "maintenance/Reservation.h"
#include "store/KelmCell.h"
#include "store/KelmPart.h"
#include "store/LibraryTools.h"
#include "support/EditTestLibrary.h"
#include "support/ImportRecords.h"

using namespace kelm;
using namespace kelm::testing;

namespace {

constexpr auto kCell = KelmEnum_ObjType_Cell;
constexpr auto kPart = KelmEnum_ObjType_PartType;

class FileStoreImport : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(S_OK, library.OpenStatus());
        for (auto [name, kind] : {std::pair{"Smd", kCell}, std::pair{"Resistors", kPart}}) {
            ASSERT_EQ(S_OK, AddPartition(session, name, kind, VARIANT_TRUE));
            ASSERT_EQ(S_OK, ReservePartition(session, name, kind));
        }
        ASSERT_EQ(S_OK, AddPartition(session, "Gates", KelmEnum_ObjType_LogicSymbol, VARIANT_TRUE));
    }
    std::string CellFile() const { return library.Folder() + "/CellDBLibs/Smd.cel"; }

    FileTestLibrary library{"alice"};
    LibrarySession& session = library.Session();
    ImportRecords records;
};

}  // namespace

TEST_F(FileStoreImport, PartTypeIsReadBackWholeByAFreshObject) {
    ASSERT_EQ(S_OK, store::SymbolFileAdd(library.QvmPath(), "Gates", "RES-2", {"A", "B"}));
    for (const char* cell : {"R0603", "R0805"}) {
        const KelmStruct_Cell record = records.Cell(cell, StringList{"1", "2"});
        ASSERT_EQ(S_OK, AddItemToQVM_Cell(session, "Smd", &record, VARIANT_FALSE));
    }
    KelmStruct_PartType part = records.Part("RES\\10K", 1234567);
    part.m_psarrCells = records.Cells({records.Cell("R0603", StringList{"1", "2"}), records.Cell("R0805")});
    part.m_psarrLogicSymbols = records.Symbols({records.Symbol("RES-2", "Gates:RES-2", StringList{"A", "B"})});
    ASSERT_EQ(S_OK, AddItemToQVM_Part(session, "Resistors", &part, VARIANT_FALSE));
    ASSERT_EQ(S_OK, session.Save());

    auto fresh = library.OpenAnother("carol");
    store::KelmPart parts(fresh->Store(), nullptr);
    store::PartRecord record;
    ASSERT_EQ(S_OK, parts.GetRecord("RES_10K", record));
    EXPECT_EQ("Resistors", record.partition);
    EXPECT_EQ((StringList{"1", "2"}), record.pins);
    EXPECT_EQ("RES\\10K name", record.name);
    EXPECT_EQ("RES\\10K label", record.label);
    EXPECT_EQ("RES\\10K type", record.type);
    EXPECT_EQ("RES\\10K description", record.description);
    EXPECT_EQ(1234567, record.timestamp);
    EXPECT_EQ((StringList{"R0603", "R0805"}), record.cells);
    ASSERT_EQ(1u, record.symbols.size());
    EXPECT_EQ("Gates:RES_2", record.symbols[0].itemSpec);
    EXPECT_EQ((StringList{"A", "B"}), record.symbols[0].pins);

    const std::string tag = "AddItemToQVM_Part";
    const auto lines = library.LogLines();
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(),
                                     WarningLine(tag, "Adjusting Part Number: (RES\\10K) -> (RES_10K). Partition (Resistors).")));
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(),
                                     WarningLine(tag, "Adjusting Symbol Name: (RES-2) -> (RES_2). Partition (Resistors), Part Number (RES_10K).")));
}

TEST_F(FileStoreImport, CellTakesSortedPinsAndPadstacksFromTheCellFile) {
    ASSERT_EQ(S_OK, store::CellDBAddCell(CellFile(), "SO8", {"8", "2", "1", "3"}, {"smd60", "fid"}));
    ASSERT_EQ(S_OK, store::CellDBAddCell(CellFile(), "QFN-32+EP", {"2", "1"}, {"pad"}));
    const KelmStruct_Cell so8 = records.Cell("SO8", StringList{"x", "y"}, 42);
    ASSERT_EQ(S_OK, AddItemToQVM_Cell(session, "Smd", &so8, VARIANT_FALSE));
    const KelmStruct_Cell qfn = records.Cell("QFN-32+EP");
    ASSERT_EQ(S_OK, AddItemToQVM_Cell(session, "Smd", &qfn, VARIANT_FALSE));
    ASSERT_EQ(S_OK, session.Save());

    auto fresh = library.OpenAnother("carol");
    store::KelmCell cells(fresh->Store(), nullptr, nullptr);
    store::CellRecord record;
    ASSERT_EQ(S_OK, cells.GetRecord("SO8", "Smd", record));
    EXPECT_EQ((StringList{"1", "2", "3", "8"}), record.pins);
    EXPECT_EQ((StringList{"fid", "smd60"}), record.padstacks);
    EXPECT_EQ(42, record.timestamp);
    ASSERT_EQ(S_OK, cells.GetRecord("QFN-32+EP", "Smd", record));  // the name is not adjusted
    EXPECT_EQ((StringList{"1", "2"}), record.pins);
    EXPECT_TRUE(library.LogLines().empty());
}

TEST_F(FileStoreImport, ImportNeedsAHolderButNotTheSessionUser) {
    ASSERT_EQ(S_OK, UnReservePartition(session, "Resistors", kPart));
    KelmStruct_PartType part = records.Part("R1");
    EXPECT_EQ(E_FAIL, AddItemToQVM_Part(session, "Resistors", &part, VARIANT_FALSE));

    ASSERT_EQ(S_OK, session.Save());
    auto bob = library.OpenAnother("bob");
    ASSERT_EQ(S_OK, ReservePartition(*bob, "Resistors", kPart));
    EXPECT_EQ(S_OK, AddItemToQVM_Part(session, "Resistors", &part, VARIANT_FALSE));
    EXPECT_EQ(E_FAIL, AddItemToQVM_Part(session, "Resistors", &part, VARIANT_FALSE));  // exists
    EXPECT_EQ(S_OK, AddItemToQVM_Part(session, "Resistors", &part, VARIANT_TRUE));
    EXPECT_EQ(S_OK, UnReservePartition(*bob, "Resistors", kPart));
}

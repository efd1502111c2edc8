// Import through a Kelm object on the file store: what a second object reads back, and the log lines.
#include <gtest/gtest.h>
#include "store/file/LibraryTools.h"
#include "store/items/KelmCell.h"
#include "store/items/KelmPart.h"
#include "support/ImportRecords.h"
#include "support/KelmOnLibrary.h"

namespace kelm::testing {
namespace {
const char* const kPartTag = "AddItemToQVM_Part";
const char* const kCellTag = "AddItemToQVM_Cell";

class Import : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(lib.AddPartition("Smd", kCell), S_OK);
        ASSERT_EQ(lib.AddPartition("Resistors", kPart), S_OK);
        ASSERT_EQ(lib.AddPartition("Gates", kSymbol), S_OK);
        ASSERT_EQ(lib->SaveQVM(), S_OK);
    }
    HRESULT AddPart(KelmStruct_PartType& part, bool overwrite = false) {
        AutoBstr partition = Bstr("Resistors");
        return lib->AddItemToQVM_Part(partition.get(), &part, overwrite ? VARIANT_TRUE : VARIANT_FALSE);
    }
    HRESULT AddCell(const KelmStruct_Cell& cell, bool overwrite = false, const char* partition = "Smd") {
        AutoBstr p = Bstr(partition);
        return lib->AddItemToQVM_Cell(p.get(), const_cast<KelmStruct_Cell*>(&cell), overwrite ? VARIANT_TRUE : 0);
    }
    std::string CellFile() const { return lib.Temp().Path() + "CellDBLibs/Smd.cel"; }
    KelmOnLibrary lib{KelmOnLibrary::kEmpty};
    ImportRecords records;
};
TEST_F(Import, PartTypeIsReadBackWholeUnderTheAdjustedNamesWithThePinsOfItsFirstCellWithTheMostPins) {
    ASSERT_EQ(store::SymbolFileAdd(lib.Qvm(), "Gates", "RES-2", {"A", "B"}), S_OK);
    ASSERT_EQ(lib.Reserve("Smd", kCell), S_OK);
    ASSERT_EQ(lib.Reserve("Resistors", kPart), S_OK);
    for (const char* cell : {"R0603", "R0805"}) ASSERT_EQ(AddCell(records.Cell(cell, StringList{"1", "2"})), S_OK);
    KelmStruct_PartType part = records.Part("RES\\10K\\A", 1234567);
    part.m_psarrCells = records.Cells({records.Cell("R0603", StringList{"1", "2"}), records.Cell("R0805")});
    part.m_psarrLogicSymbols = records.Symbols({records.Symbol("RES-2", "Gates:RES-2", StringList{"A", "B"})});
    ASSERT_EQ(AddPart(part), S_OK);
    KelmStruct_PartType most = records.Part("P1");
    most.m_psarrCells = records.Cells({records.Cell("A", StringList{"1"}), records.Cell("B", StringList{"x", "y"}),
                                       records.Cell("C"), records.Cell("D", StringList{"p", "q"})});
    ASSERT_EQ(AddPart(most), S_OK);
    ASSERT_EQ(lib->SaveQVM(), S_OK);
    IKelm* carol = lib.Another("carol");
    store::KelmPart parts(static_cast<CKelm*>(carol)->Session().Store(), nullptr);
    store::PartRecord record;
    ASSERT_EQ(parts.GetRecord("RES_10K\\A", record), S_OK);  // only the first backslash is replaced
    EXPECT_EQ(record.partition, "Resistors");
    EXPECT_EQ(record.pins, (StringList{"1", "2"}));
    EXPECT_EQ(record.name + "|" + record.label + "|" + record.type + "|" + record.description,
              "RES\\10K\\A name|RES\\10K\\A label|RES\\10K\\A type|RES\\10K\\A description");
    EXPECT_EQ(record.timestamp, 1234567);
    EXPECT_EQ(record.cells, (StringList{"R0603", "R0805"}));
    ASSERT_EQ(record.symbols.size(), 1u);
    EXPECT_EQ(record.symbols[0].itemSpec, "Gates:RES_2");
    EXPECT_EQ(record.symbols[0].pins, (StringList{"A", "B"}));
    ASSERT_EQ(parts.GetRecord("P1", record), S_OK);
    EXPECT_EQ(record.pins, (StringList{"x", "y"}));
    KelmOnLibrary::Drop(carol);
    const Names logged = lib.LogLines();
    EXPECT_EQ(logged, (Names{LogLine("(ERROR)", kCellTag, "Cell R0603 not found in CEL file"),
                             LogLine("(ERROR)", kCellTag, "Cell R0805 not found in CEL file"),
                             LogLine("(WARNING)", kPartTag, "Adjusting Part Number: (RES\\10K\\A) -> (RES_10K\\A). Partition (Resistors)."),
                             LogLine("(WARNING)", kPartTag, "Adjusting Symbol Name: (RES-2) -> (RES_2). Partition (Resistors), Part Number (RES_10K\\A).")}));
}
TEST_F(Import, CellTakesSortedPinsAndPadstacksFromTheCellFile) {
    ASSERT_EQ(store::CellDBAddCell(CellFile(), "SO8", {"8", "2", "1", "3"}, {"smd60", "fid"}), S_OK);
    ASSERT_EQ(lib.Reserve("Smd", kCell), S_OK);
    ASSERT_EQ(AddCell(records.Cell("SO8", StringList{"x", "y"}, 42)), S_OK);
    ASSERT_EQ(AddCell(records.Cell("QFN-32+EP", StringList{"2", "1"})), S_OK);  // not in the file: the record's pins
    EXPECT_EQ(AddCell(records.Cell("SO8", StringList{"1"})), E_FAIL);
    ASSERT_EQ(lib->SaveQVM(), S_OK);
    const auto stored = [&](const char* cell, const char* partition) {
        store::CellRecord record;
        EXPECT_EQ(store::KelmCell(lib.Session().Store(), nullptr, nullptr).GetRecord(cell, partition, record), S_OK) << cell;
        return std::tuple(record.pins, record.padstacks, record.timestamp);
    };
    using Stored = std::tuple<StringList, StringList, decltype(store::CellRecord::timestamp)>;
    EXPECT_EQ(stored("SO8", "Smd"), Stored({"1", "2", "3", "8"}, {"fid", "smd60"}, 42));
    EXPECT_EQ(stored("QFN-32+EP", "Smd"), Stored({"2", "1"}, {}, 0));  // cell names are not adjusted
    // Overwrite replaces the pins and stamps the cell.
    ASSERT_EQ(store::CellDBAddCell(CellFile(), "QFN-32+EP", {"3", "1", "2"}, {"pad"}), S_OK);
    ASSERT_EQ(AddCell(records.Cell("QFN-32+EP", std::nullopt, 77), true), S_OK);
    EXPECT_EQ(stored("QFN-32+EP", "Smd"), Stored({"1", "2", "3"}, {"pad"}, 77));
    // Without a cell file the record's pins stay.
    ASSERT_EQ(lib.AddPartition("Thru", kCell), S_OK);
    ASSERT_EQ(lib.Reserve("Thru", kCell), S_OK);
    std::filesystem::remove(lib.Temp().Root() / "CellDBLibs" / "Thru.cel");
    ASSERT_EQ(AddCell(records.Cell("DIP8", StringList{"8", "1"}), false, "Thru"), S_OK);
    EXPECT_EQ(stored("DIP8", "Thru"), Stored({"8", "1"}, {}, 0));
    EXPECT_EQ(lib.LogLines(),
              (Names{LogLine("(ERROR)", kCellTag, "Cell QFN-32+EP not found in CEL file"),
                     LogLine("(ERROR)", kCellTag, "Cell already exists. Error adding it to QVM. Partition (Smd), Cell (SO8)."),
                     LogLine("(INFO)", kCellTag, "Overwriting existing cell definition in QVM. Partition (Smd), Cell (QFN-32+EP)."),
                     LogLine("(ERROR)", kCellTag, "Couldn't load CEL file " + lib.Folder() + "\\CellDBLibs\\Thru.cel")}));
}
// Records the import cannot read or names some system cannot store stop with their status and a log line.
TEST_F(Import, UnreservedPartitionsUnreadableArraysAndUnstorableNamesAreRefusedWithTheirStatusAndLogged) {
    KelmStruct_PartType locked = records.Part("L1"), numbers = records.Part("N1"), control = records.Part("R\t1");
    locked.m_psarrCells = records.Unlockable();
    numbers.m_psarrCells = records.Cells({records.Cell("C1", StringList{"1"})});
    numbers.m_psarrLogicSymbols = records.Symbols({records.Symbol("S1", "Gates:S1", std::nullopt)});
    reinterpret_cast<KelmStruct_LogicSymbol*>(numbers.m_psarrLogicSymbols->pvData)->m_psarrPins = records.Integers(2);
    KelmStruct_Cell cell = records.Cell("C2"), lone = records.Cell("C", StringList{"1"});
    cell.m_psarrPins = records.Integers(2);
    const OLECHAR surrogate[] = {'C', 0xD800};  // a lone surrogate has no 8-bit form on any system
    AutoBstr loneName(SysAllocStringLen(surrogate, 2));
    lone.m_sCellName = loneName.get();
    EXPECT_EQ(AddPart(control), E_FAIL);  // without a holder
    EXPECT_EQ(AddCell(cell), E_FAIL);
    ASSERT_EQ(lib.Reserve("Resistors", kPart), S_OK);
    ASSERT_EQ(lib.Reserve("Smd", kCell), S_OK);
    EXPECT_EQ(AddPart(locked), E_UNEXPECTED);
    EXPECT_EQ(AddPart(numbers), E_FAIL);
    EXPECT_EQ(AddCell(cell), E_FAIL);
    EXPECT_EQ(AddCell(lone), KELM_E_UNSAFE_PATH);
    EXPECT_EQ(AddPart(control), KELM_E_UNSAFE_PATH);
    ASSERT_EQ(S_OK, lib->SaveQVM());
    EXPECT_EQ(lib.Items("Resistors", "*", kPart), Names{"N1"});  // L1 stopped before it was created; N1 and its cells stay
    EXPECT_EQ(lib.Items("Smd", "*", kCell), Names{});
    Names lines = lib.LogLines();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_NE(lines[5].find("Refusing Cell Name (C"), std::string::npos) << lines[5];
    EXPECT_NE(lines[5].find("): a character the library's code page cannot represent."), std::string::npos) << lines[5];
    lines.erase(lines.begin() + 5);
    EXPECT_EQ(lines,
              (Names{LogLine("(ERROR)", kPartTag, "Partition (Resistors) is not reserved in QVM."),
                     LogLine("(ERROR)", kCellTag, "Partition (Smd) is not reserved in QVM."),
                     LogLine("(ERROR)", kPartTag, "Error getting cells records from safe array. Partition (Resistors), Part Number (L1)."),
                     LogLine("(ERROR)", kPartTag, "Error getting Symbol's pins from safe array. Partition (Resistors), Part Number (N1), Symbol (S1)."),
                     LogLine("(ERROR)", kCellTag, "Error getting Cell's pins from safe array. Partition (Smd), Cell (C2)."),
                     LogLine("(ERROR)", kPartTag, "Refusing Part Number (R\t1): a control character.")}));
}
}  // namespace
}  // namespace kelm::testing

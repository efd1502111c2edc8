// Part type import against the store double: the order of store calls,
// every status path and every log line.
#include <gtest/gtest.h>

#include "import/PartImport.h"
#include "support/EditTestLibrary.h"
#include "support/ImportRecords.h"
#include "store/items/StoreStatus.h"

using namespace kelm::testing;
using kelm::AddItemToQVM_Part;
using kelm::StringList;

namespace {

constexpr const char* kTag = "AddItemToQVM_Part";
constexpr HRESULT kExists = static_cast<HRESULT>(0x80040005L);
constexpr HRESULT kReferenced = static_cast<HRESULT>(0x80070057L);
constexpr HRESULT kIoError = kelm::store::KELM_E_IO;
const std::string kIoErrorText = std::to_string(static_cast<int>(kIoError));

class PartImportTest : public ::testing::Test {
protected:
    PartImportTest() {
        store.FillsString("KelmSchemePartition::GetPartitionReservation", "bob");
    }
    HRESULT Import(const KelmStruct_PartType& part, VARIANT_BOOL overwrite = VARIANT_FALSE) {
        return AddItemToQVM_Part(library.Session(), "Resistors", &part, overwrite);
    }

    EditTestLibrary library;
    ScriptedStore& store = library.Store();
    ImportRecords records;
};

}  // namespace

TEST_F(PartImportTest, NullRecordIsRefusedBeforeTheOpenTest) {
    EXPECT_EQ(E_POINTER, AddItemToQVM_Part(library.Session(), "Resistors", nullptr, VARIANT_FALSE));
    library.Session().Close();
    store.ClearCalls();
    EXPECT_EQ(E_POINTER, AddItemToQVM_Part(library.Session(), "Resistors", nullptr, VARIANT_FALSE));
    const KelmStruct_PartType part = records.Part("R1");
    EXPECT_EQ(E_FAIL, Import(part));
    EXPECT_TRUE(store.Calls().empty());
    EXPECT_TRUE(library.LogLines().empty());
}

TEST_F(PartImportTest, PartitionNobodyHoldsIsRefusedWithOneErrorLine) {
    store.FillsString("KelmSchemePartition::GetPartitionReservation", "");
    EXPECT_EQ(E_FAIL, Import(records.Part("R1")));
    ASSERT_EQ(1u, store.Calls().size());
    EXPECT_EQ("KelmSchemePartition::GetPartitionReservation(Resistors)", store.Calls()[0].Text());
    EXPECT_EQ(7, store.Calls()[0].state.partitionType);
    EXPECT_EQ(std::vector<std::string>{ErrorLine(kTag, "Partition (Resistors) is not reserved in QVM.")},
              library.LogLines());
}

TEST_F(PartImportTest, WholePartIsWrittenInOrderOnBehalfOfTheHolder) {
    KelmStruct_PartType part = records.Part("R1", 1234);
    part.m_psarrPins = records.Strings({"ignored"});
    part.m_psarrCells = records.Cells({records.Cell("C0603", StringList{"1", "2"}), records.Cell("C0805")});
    part.m_psarrLogicSymbols = records.Symbols({records.Symbol("RES", "Gates:RES", StringList{"A", "B"}),
                                                records.Symbol("GND", "Gates:GND")});
    store.Returns("KelmSchemePartition::GetPartitionReservation", -1);  // its status is not looked at
    EXPECT_EQ(S_OK, Import(part));
    EXPECT_EQ((std::vector<std::string>{
                  "KelmPart::Add(Resistors, [1,2], R1, null, 0, 0)",
                  "KelmPart::SetName(R1 name, R1)",
                  "KelmPart::SetNameDefault(0, R1)",
                  "KelmPart::SetLabel(R1 label, R1)",
                  "KelmPart::SetLabelDefault(0, R1)",
                  "KelmPart::SetDesc(R1 description, R1)",
                  "KelmPart::SetTimestamp(1234, R1)",
                  "KelmPart::SetType(R1 type, R1)",
                  "KelmPart::AddCell(C0603, R1)",
                  "KelmPart::AddCell(C0805, R1)",
                  "KelmPart::AddSymbol(Gates:RES, [A,B], R1)",
                  "KelmPart::AddSymbol(Gates:GND, [], R1)",
              }),
              store.CallTexts("KelmPart::"));
    // The holder, not the session's user (alice), is the working user.
    for (const auto& call : store.Calls()) {
        if (call.op.rfind("KelmPart::", 0) == 0) {
            EXPECT_EQ("bob", call.state.workingUser) << call.Text();
        }
    }
    EXPECT_FALSE(store.Last("KelmPart::Add")->state.partition.has_value());
    EXPECT_EQ(0, store.Count("KelmServer::Save"));  // imports never save
    EXPECT_TRUE(library.LogLines().empty());
}

TEST_F(PartImportTest, PinsComeFromTheFirstCellWithTheMostReadablePins) {
    KelmStruct_PartType part = records.Part("R1");
    part.m_psarrCells = records.Cells({records.Cell("A", StringList{"1", "2"}), records.Cell("B", StringList{"1", "2", "3", "4"}),
                                       records.Cell("C", StringList{"5", "6", "7", "8"}), records.Cell("D")});
    EXPECT_EQ(S_OK, Import(part));
    EXPECT_EQ("KelmPart::Add(Resistors, [1,2,3,4], R1, null, 0, 0)", store.Last("KelmPart::Add")->Text());

    store.ClearCalls();
    KelmStruct_PartType bare = records.Part("R2");
    bare.m_psarrPins = records.Strings({"1", "2"});  // has no effect
    EXPECT_EQ(S_OK, Import(bare));
    EXPECT_EQ("KelmPart::Add(Resistors, [], R2, null, 0, 0)", store.Last("KelmPart::Add")->Text());

    KelmStruct_PartType skipping = records.Part("R3");  // unreadable cell pins are skipped silently
    KelmStruct_Cell integers = records.Cell("I");
    integers.m_psarrPins = records.Integers(5);
    skipping.m_psarrCells = records.Cells({records.Cell("A", StringList{"1", "2"}), integers, records.Cell("B", StringList{"1", "2", "3"})});
    EXPECT_EQ(S_OK, Import(skipping));
    // The integer array raised the maximum to 5 without replacing the list.
    EXPECT_EQ("KelmPart::Add(Resistors, [1,2], R3, null, 0, 0)", store.Last("KelmPart::Add")->Text());
    EXPECT_TRUE(library.LogLines().empty());
}

TEST_F(PartImportTest, PartNumberRuleWarnsAndLaterMessagesNameTheAdjustedNumber) {
    store.Returns("KelmPart::SetType", kIoError);
    EXPECT_EQ(S_OK, Import(records.Part("A\\B\\C")));
    EXPECT_EQ("KelmPart::Add(Resistors, [], A_B\\C, null, 0, 0)", store.Last("KelmPart::Add")->Text());
    EXPECT_EQ((std::vector<std::string>{
                  WarningLine(kTag, "Adjusting Part Number: (A\\B\\C) -> (A_B\\C). Partition (Resistors)."),
                  ErrorLine(kTag, "Error setting Type in QVM. Partition (Resistors), Part Number (A_B\\C), Type (A\\B\\C type)."),
              }),
              library.LogLines());
}

TEST_F(PartImportTest, ExistingPartWithoutOverwriteFails) {
    store.Returns("KelmPart::Add", kExists);
    for (VARIANT_BOOL flag : {VARIANT_FALSE, VARIANT_BOOL{1}}) {
        store.ClearCalls();
        EXPECT_EQ(E_FAIL, Import(records.Part("R1"), flag));
        EXPECT_EQ(std::vector<std::string>{"KelmPart::Add(Resistors, [], R1, null, 0, 0)"}, store.CallTexts("KelmPart::"));
    }
    const std::string line = ErrorLine(kTag, "Part Number already exists. Error adding it to QVM. Partition (Resistors), Part Number (R1).");
    EXPECT_EQ((std::vector<std::string>{line, line}), library.LogLines());
}

TEST_F(PartImportTest, OverwriteDeletesAndAddsAgain) {
    store.ReturnsOnce("KelmPart::Add", kExists);
    EXPECT_EQ(S_OK, Import(records.Part("R1"), VARIANT_TRUE));
    const auto ops = store.CallTexts("KelmPart::");
    ASSERT_GE(ops.size(), 4u);
    EXPECT_EQ("KelmPart::Add(Resistors, [], R1, null, 0, 0)", ops[0]);
    EXPECT_EQ("KelmPart::Delete(R1)", ops[1]);
    EXPECT_EQ("KelmPart::Add(Resistors, [], R1, null, 0, 0)", ops[2]);
    EXPECT_EQ("KelmPart::SetName(R1 name, R1)", ops[3]);
    EXPECT_TRUE(library.LogLines().empty());
}

TEST_F(PartImportTest, OverwriteFailuresAreLoggedAndRefused) {
    const std::string exists = "Part Number already exists. Error adding it to QVM. Partition (Resistors), Part Number (R1).";
    const std::string deleting = "Error deleting existing Part Number from QVM. Partition (Resistors), Part Number (R1).";
    const std::string adding = "Error adding Part Number to QVM. Partition (Resistors), Part Number (R1), Error (" + kIoErrorText + ").";

    store.ReturnsOnce("KelmPart::Add", kExists).ReturnsOnce("KelmPart::Delete", kIoError);
    EXPECT_EQ(E_FAIL, Import(records.Part("R1"), VARIANT_TRUE));
    EXPECT_EQ(1, store.Count("KelmPart::Add"));

    store.ReturnsOnce("KelmPart::Add", kExists).ReturnsOnce("KelmPart::Add", kExists);
    EXPECT_EQ(E_FAIL, Import(records.Part("R1"), VARIANT_TRUE));

    store.ReturnsOnce("KelmPart::Add", kExists).ReturnsOnce("KelmPart::Add", kIoError);
    EXPECT_EQ(E_FAIL, Import(records.Part("R1"), VARIANT_TRUE));

    store.ReturnsOnce("KelmPart::Add", kIoError);
    EXPECT_EQ(E_FAIL, Import(records.Part("R1"), VARIANT_TRUE));

    EXPECT_EQ(0, store.Count("KelmPart::SetName"));
    EXPECT_EQ((std::vector<std::string>{ErrorLine(kTag, deleting), ErrorLine(kTag, exists), ErrorLine(kTag, adding),
                                        ErrorLine(kTag, adding)}),
              library.LogLines());
}

TEST_F(PartImportTest, EachFailingPropertyLogsItsOwnLineAndTheImportGoesOn) {
    for (const char* op : {"KelmPart::SetName", "KelmPart::SetNameDefault", "KelmPart::SetLabel", "KelmPart::SetLabelDefault",
                           "KelmPart::SetDesc", "KelmPart::SetTimestamp", "KelmPart::SetType"}) {
        store.Returns(op, -1);
    }
    KelmStruct_PartType part = records.Part("R1", -5);
    part.m_psarrCells = records.Cells({records.Cell("C1")});
    EXPECT_EQ(S_OK, Import(part));
    EXPECT_EQ(1, store.Count("KelmPart::AddCell"));
    const std::string where = "Partition (Resistors), Part Number (R1), ";
    EXPECT_EQ((std::vector<std::string>{
                  ErrorLine(kTag, "Error setting Part Name in QVM. " + where + "Part Name (R1 name)."),
                  ErrorLine(kTag, "Error setting Default for Part Name in QVM. " + where + "Part Name (R1 name)."),
                  ErrorLine(kTag, "Error setting Part Label in QVM. " + where + "Part Label (R1 label)."),
                  ErrorLine(kTag, "Error setting Default for Part Label in QVM. " + where + "Part Label (R1 label)."),
                  ErrorLine(kTag, "Error setting Description in QVM. " + where + "Description (R1 description)."),
                  ErrorLine(kTag, "Error setting Time Stamp in QVM. " + where + "Time Stamp (-5)."),
                  ErrorLine(kTag, "Error setting Type in QVM. " + where + "Type (R1 type)."),
              }),
              library.LogLines());
}

TEST_F(PartImportTest, CellFailuresAreLoggedAndTheNextCellIsAttached) {
    store.ReturnsFor("KelmPart::AddCell", "C1", kReferenced).ReturnsFor("KelmPart::AddCell", "C2", kIoError);
    KelmStruct_PartType part = records.Part("R1");
    part.m_psarrCells = records.Cells({records.Cell("C1"), records.Cell("C2"), records.Cell("C3")});
    EXPECT_EQ(S_OK, Import(part));
    EXPECT_EQ(3, store.Count("KelmPart::AddCell"));
    EXPECT_EQ("KelmPart::AddCell(C3, R1)", store.Last("KelmPart::AddCell")->Text());
    EXPECT_EQ((std::vector<std::string>{
                  ErrorLine(kTag, "Cell is already referenced by this part. Error adding it to QVM. Partition (Resistors), Part Number (R1), Cell (C1)."),
                  ErrorLine(kTag, "Error adding Cell to QVM. Partition (Resistors), Part Number (R1), Cell (C2), Error (" + kIoErrorText + ")."),
              }),
              library.LogLines());
}

TEST_F(PartImportTest, SymbolNameRuleRewritesTheItemSpecificationAndFailuresNameTheAdjustedName) {
    store.ReturnsFor("KelmPart::AddSymbol", "lib:a_b", kReferenced).ReturnsFor("KelmPart::AddSymbol", "lib:_", kIoError);
    KelmStruct_PartType part = records.Part("R1");
    part.m_psarrLogicSymbols = records.Symbols({records.Symbol("a+b", "lib:a+b"), records.Symbol("-", "lib:-"),
                                                records.Symbol("x-y", "other:z"), records.Symbol("OK", "lib:O-K")});
    EXPECT_EQ(S_OK, Import(part));
    const auto ops = store.CallTexts("KelmPart::");
    EXPECT_EQ((std::vector<std::string>{"KelmPart::AddSymbol(lib:a_b, [], R1)", "KelmPart::AddSymbol(lib:_, [], R1)",
                                        "KelmPart::AddSymbol(other:z, [], R1)", "KelmPart::AddSymbol(lib:O-K, [], R1)"}),
              std::vector<std::string>(ops.end() - 4, ops.end()));
    const std::string where = "Partition (Resistors), Part Number (R1)";
    EXPECT_EQ((std::vector<std::string>{
                  WarningLine(kTag, "Adjusting Symbol Name: (a+b) -> (a_b). " + where + "."),
                  ErrorLine(kTag, "Symbol is already referenced by this part. Error adding it to QVM. " + where + ", Symbol (a_b)."),
                  WarningLine(kTag, "Adjusting Symbol Name: (-) -> (_). " + where + "."),
                  ErrorLine(kTag, "Error adding Symbol to QVM. " + where + ", Symbol (_), Error (" + kIoErrorText + ")."),
                  WarningLine(kTag, "Adjusting Symbol Name: (x-y) -> (x_y). " + where + "."),
              }),
              library.LogLines());
}

TEST_F(PartImportTest, SymbolWithIntegerPinsStopsTheImportAfterTheCells) {
    KelmStruct_PartType part = records.Part("R1");
    part.m_psarrCells = records.Cells({records.Cell("C1")});
    KelmStruct_LogicSymbol integers = records.Symbol("B+1", "Gates:B+1");
    integers.m_psarrPins = records.Integers(2);
    part.m_psarrLogicSymbols = records.Symbols({records.Symbol("A", "Gates:A", StringList{"1"}), integers,
                                                records.Symbol("C", "Gates:C")});
    EXPECT_EQ(E_FAIL, Import(part));
    EXPECT_EQ(1, store.Count("KelmPart::AddCell"));
    EXPECT_EQ("KelmPart::AddSymbol(Gates:A, [1], R1)", store.Last("KelmPart::AddSymbol")->Text());
    EXPECT_EQ(1, store.Count("KelmPart::AddSymbol"));
    EXPECT_EQ((std::vector<std::string>{
                  WarningLine(kTag, "Adjusting Symbol Name: (B+1) -> (B_1). Partition (Resistors), Part Number (R1)."),
                  ErrorLine(kTag, "Error getting Symbol's pins from safe array. Partition (Resistors), Part Number (R1), Symbol (B_1)."),
              }),
              library.LogLines());
}

TEST_F(PartImportTest, ArraysThatCannotBeLockedStopTheImportWithTheLockStatus) {
    KelmStruct_PartType cells = records.Part("R1");
    cells.m_psarrCells = records.Unlockable();
    EXPECT_EQ(E_UNEXPECTED, Import(cells));
    EXPECT_EQ(0, store.Count("KelmPart::Add"));  // the pin choice already fails

    KelmStruct_PartType symbols = records.Part("R2");
    symbols.m_psarrLogicSymbols = records.Unlockable();
    EXPECT_EQ(E_UNEXPECTED, Import(symbols));
    EXPECT_EQ(1, store.Count("KelmPart::Add"));
    EXPECT_EQ(1, store.Count("KelmPart::SetType"));
    EXPECT_EQ((std::vector<std::string>{
                  ErrorLine(kTag, "Error getting cells records from safe array. Partition (Resistors), Part Number (R1)."),
                  ErrorLine(kTag, "Error getting symbols records from safe array. Partition (Resistors), Part Number (R2)."),
              }),
              library.LogLines());
}

// Cell import against the store double and a scripted cell database: the
// cell file path, the file's pins and padstacks, every status path and
// every log line.
#include <gtest/gtest.h>

#include "import/CellImport.h"
#include "store/items/StoreStatus.h"
#include "support/EditTestLibrary.h"
#include "support/ImportRecords.h"
#include "support/ScriptedDatabases.h"
#include "util/Format.h"

using namespace kelm::testing;
using kelm::AddItemToQVM_Cell;
using kelm::StringList;

namespace {

constexpr const char* kTag = "AddItemToQVM_Cell";
constexpr HRESULT kExists = static_cast<HRESULT>(0x80040005L);
constexpr HRESULT kPinsDiffer = static_cast<HRESULT>(0x80070057L);

class CellImportTest : public ::testing::Test {
protected:
    CellImportTest() {
        store.FillsString("KelmSchemePartition::GetPartitionReservation", "bob");
        kelm::celldb::CCellDBCell cell;
        cell.name = "SO8";
        cell.pins = {"8", "1", "10", "2"};
        cell.padstacks = {"smd60", "pin40", "fid"};
        database.cells["SO8"] = cell;
    }
    HRESULT Import(const KelmStruct_Cell& cell, VARIANT_BOOL overwrite = VARIANT_FALSE) {
        return AddItemToQVM_Cell(library.Session(), "Smd", &cell, overwrite);
    }
    std::string CellFile() {
        return kelm::Format("%s\\CellDBLibs\\Smd.cel", library.Session().LibraryFolder().c_str());
    }

    EditTestLibrary library;
    ScriptedStore& store = library.Store();
    ScriptedCellDB database;
    ImportRecords records;
};

}  // namespace

TEST_F(CellImportTest, NullRecordIsRefusedBeforeTheOpenTest) {
    library.Session().Close();
    store.ClearCalls();
    EXPECT_EQ(E_POINTER, AddItemToQVM_Cell(library.Session(), "Smd", nullptr, VARIANT_FALSE));
    EXPECT_EQ(E_FAIL, Import(records.Cell("SO8")));
    EXPECT_TRUE(store.Calls().empty());
    EXPECT_TRUE(database.calls.empty());
}

TEST_F(CellImportTest, PartitionNobodyHoldsIsRefusedWithOneErrorLine) {
    store.FillsString("KelmSchemePartition::GetPartitionReservation", "");
    EXPECT_EQ(E_FAIL, Import(records.Cell("SO8")));
    ASSERT_EQ(1u, store.Calls().size());
    EXPECT_EQ("KelmSchemePartition::GetPartitionReservation(Smd)", store.Calls()[0].Text());
    EXPECT_EQ(0, store.Calls()[0].state.partitionType);
    EXPECT_TRUE(database.calls.empty());
    EXPECT_EQ(std::vector<std::string>{ErrorLine(kTag, "Partition (Smd) is not reserved in QVM.")}, library.LogLines());
}

TEST_F(CellImportTest, CellFilePinsAndPadstacksReplaceTheRecordsPins) {
    EXPECT_EQ(S_OK, Import(records.Cell("SO8", StringList{"a", "b"}, 77)));
    EXPECT_EQ((std::vector<std::string>{"Init()", "Load(" + CellFile() + ", 1)", "FindCell(SO8)", "Close()"}),
              database.calls);
    // The folder keeps its own trailing separator before "\CellDBLibs".
    const std::string folder = library.Session().LibraryFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(folder.back() == '\\' || folder.back() == '/');
    EXPECT_EQ(folder + "\\CellDBLibs\\Smd.cel", CellFile());
    EXPECT_EQ((std::vector<std::string>{
                  "KelmCell::Add([1,10,2,8], SO8, Smd, 0, 77, 0, 0)",
                  "KelmCell::AddPadstack(fid, SO8, null)",
                  "KelmCell::AddPadstack(pin40, SO8, null)",
                  "KelmCell::AddPadstack(smd60, SO8, null)",
              }),
              store.CallTexts("KelmCell::"));
    const auto& add = *store.Last("KelmCell::Add");
    EXPECT_EQ("bob", add.state.workingUser);  // the holder, not alice
    EXPECT_EQ("Smd", add.state.partition.value_or("<none>"));
    EXPECT_FALSE(add.state.cell.has_value());
    EXPECT_EQ(0, store.Count("KelmServer::Save"));
    EXPECT_TRUE(library.LogLines().empty());
}

TEST_F(CellImportTest, MissingCellFileOrCellKeepsTheRecordsPins) {
    database.loadStatus = -1;
    EXPECT_EQ(S_OK, Import(records.Cell("SO8", StringList{"a", "b"})));
    EXPECT_EQ((std::vector<std::string>{"Init()", "Load(" + CellFile() + ", 1)"}), database.calls);  // no Close
    EXPECT_EQ(std::vector<std::string>{"KelmCell::Add([a,b], SO8, Smd, 0, 0, 0, 0)"}, store.CallTexts("KelmCell::"));

    database.loadStatus = 0;
    database.calls.clear();
    store.ClearCalls();
    EXPECT_EQ(S_OK, Import(records.Cell("QFN-32+EP", StringList{"x"})));
    EXPECT_EQ((std::vector<std::string>{"Init()", "Load(" + CellFile() + ", 1)", "FindCell(QFN-32+EP)", "Close()"}),
              database.calls);
    // Cell names are not adjusted.
    EXPECT_EQ(std::vector<std::string>{"KelmCell::Add([x], QFN-32+EP, Smd, 0, 0, 0, 0)"}, store.CallTexts("KelmCell::"));

    EXPECT_EQ((std::vector<std::string>{ErrorLine(kTag, "Couldn't load CEL file " + CellFile()),
                                        ErrorLine(kTag, "Cell QFN-32+EP not found in CEL file")}),
              library.LogLines());

    database.loadStatus = 1;  // any non-zero load status counts as not loaded; a null pin array gives no pins
    store.ClearCalls();
    EXPECT_EQ(S_OK, Import(records.Cell("SO8")));
    EXPECT_EQ(std::vector<std::string>{"KelmCell::Add([], SO8, Smd, 0, 0, 0, 0)"}, store.CallTexts("KelmCell::"));
}

TEST_F(CellImportTest, UnreadablePinArrayStopsBeforeTheCellFile) {
    KelmStruct_Cell cell = records.Cell("SO8");
    cell.m_psarrPins = records.Integers(3);
    EXPECT_EQ(E_FAIL, Import(cell));
    EXPECT_TRUE(database.calls.empty());
    EXPECT_TRUE(store.CallTexts("KelmCell::").empty());
    EXPECT_EQ(std::vector<std::string>{ErrorLine(kTag, "Error getting Cell's pins from safe array. Partition (Smd), Cell (SO8).")},
              library.LogLines());
}

TEST_F(CellImportTest, ExistingCellWithoutOverwriteStillOffersThePadstacks) {
    store.Returns("KelmCell::Add", kExists);
    EXPECT_EQ(E_FAIL, Import(records.Cell("SO8"), VARIANT_BOOL{1}));
    EXPECT_EQ(3, store.Count("KelmCell::AddPadstack"));
    EXPECT_EQ(0, store.Count("KelmCell::ReplacePins"));
    EXPECT_EQ(std::vector<std::string>{ErrorLine(kTag, "Cell already exists. Error adding it to QVM. Partition (Smd), Cell (SO8).")},
              library.LogLines());
}

TEST_F(CellImportTest, OverwriteStampsReplacesPinsAndOffersPadstacksTwice) {
    store.Returns("KelmCell::Add", kExists).ReturnsFor("KelmCell::AddPadstack", "pin40", -1);
    store.Returns("KelmCell::SetTimestamp", -1).Returns("KelmCell::ReplacePins", -1);  // not looked at
    store.Returns("KelmSchemePartition::GetPartitionReservation", -1);                  // nor is this
    EXPECT_EQ(S_OK, Import(records.Cell("SO8", std::nullopt, 99), VARIANT_TRUE));
    EXPECT_EQ((std::vector<std::string>{
                  "KelmCell::Add([1,10,2,8], SO8, Smd, 0, 99, 0, 0)",
                  "KelmCell::AddPadstack(fid, SO8, null)",
                  "KelmCell::AddPadstack(pin40, SO8, null)",
                  "KelmCell::AddPadstack(smd60, SO8, null)",
                  "KelmCell::SetTimestamp(99, SO8, Smd)",
                  "KelmCell::ReplacePins([1,10,2,8], SO8)",
                  "KelmCell::AddPadstack(fid, SO8, null)",
                  "KelmCell::AddPadstack(pin40, SO8, null)",
                  "KelmCell::AddPadstack(smd60, SO8, null)",
              }),
              store.CallTexts("KelmCell::"));
    const std::string padstack = ErrorLine(kTag, "Padstack pin40 NOT added to decal SO8");
    EXPECT_EQ((std::vector<std::string>{
                  padstack,
                  InfoLine(kTag, "Overwriting existing cell definition in QVM. Partition (Smd), Cell (SO8)."),
                  padstack,
              }),
              library.LogLines());
}

TEST_F(CellImportTest, AddFailuresAreLoggedAndRefused) {
    store.ReturnsOnce("KelmCell::Add", kPinsDiffer).ReturnsOnce("KelmCell::Add", kelm::store::KELM_E_IO);
    EXPECT_EQ(E_FAIL, Import(records.Cell("SO8")));
    EXPECT_EQ(E_FAIL, Import(records.Cell("SO8"), VARIANT_TRUE));
    EXPECT_EQ(6, store.Count("KelmCell::AddPadstack"));
    EXPECT_EQ((std::vector<std::string>{
                  ErrorLine(kTag, "Cell's pin names do not match current pin names in the QVM. Error adding it to QVM. Partition (Smd), Cell (SO8)."),
                  ErrorLine(kTag, "Error adding Cell to QVM. Partition (Smd), Cell (SO8)."),
              }),
              library.LogLines());
}

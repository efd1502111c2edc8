// Item copy and move against the store double: which partitions get the
// reservation rule, the release order, the cell and part-type copies, the
// move's delete and the save.
#include <gtest/gtest.h>

#include "maintenance/ItemCopy.h"
#include "platform/Clock.h"
#include "support/EditTestLibrary.h"

using namespace kelm::testing;

namespace {

#define SP "KelmSchemePartition::"
constexpr HRESULT kExists = static_cast<HRESULT>(0x80040005L);
constexpr VARIANT_BOOL kNo = VARIANT_FALSE;
constexpr VARIANT_BOOL kYes = VARIANT_TRUE;

class ItemCopyTest : public ::testing::Test {
protected:
    ItemCopyTest() {
        kelm::platform::SetClockForTesting([] { return std::int64_t{1700000000}; });
        store.Fills("KelmCell::GetPinNames", {"1", "2"})
            .FillsInt("KelmCell::GetType", 4)
            .Fills("KelmCell::GetPadstackNames", {"pin40", "smd60"})
            .Fills("KelmPart::GetPinNumbers", {"1", "2", "3"});
    }
    ~ItemCopyTest() override { kelm::platform::SetClockForTesting({}); }

    HRESULT Copy(const std::string& src, const std::string& dest, VARIANT_BOOL overwrite = kNo, VARIANT_BOOL move = kNo,
                 KelmEnum_ObjType kind = KelmEnum_ObjType_Cell) {
        const std::string item = kind == KelmEnum_ObjType_Cell ? "SO8" : "R1";
        return kelm::CopyItemInQVM(library.Session(), src, item, dest, item + "N", kind, overwrite, move);
    }

    EditTestLibrary library{"alice"};
    ScriptedStore& store = library.Store();
};

}  // namespace

TEST_F(ItemCopyTest, ClosedLibraryThenKindAreRefused) {
    EXPECT_EQ(E_NOTIMPL, Copy("A", "B", kNo, kNo, KelmEnum_ObjType_LogicSymbol));
    library.Session().Close();
    store.ClearCalls();
    EXPECT_EQ(E_FAIL, Copy("A", "B", kNo, kNo, KelmEnum_ObjType_LogicSymbol));
    EXPECT_TRUE(store.Calls().empty());
}

TEST_F(ItemCopyTest, CellCopyWithinOnePartitionRebuildsTheCellAndSaves) {
    EXPECT_EQ(S_OK, Copy("Smd", "Smd"));
    EXPECT_EQ((std::vector<std::string>{
                  SP "GetPartitionReservation(Smd)",
                  SP "ReservePartition(Smd, alice)",
                  "KelmCell::GetPinNames(SO8)",
                  "KelmCell::GetType(0, SO8, Smd)",
                  "KelmCell::Add([1,2], SO8N, Smd, 4, 1700000000, 0, 0)",
                  "KelmCell::GetPadstackNames(SO8, null)",
                  "KelmCell::AddPadstack(pin40, SO8N, null)",
                  "KelmCell::AddPadstack(smd60, SO8N, null)",
                  SP "UnReservePartition(Smd, alice)",
                  "KelmServer::Save(null, 0, 0)",
              }),
              store.CallTexts());
    const auto& calls = store.Calls();
    EXPECT_EQ("SO8", calls[5].state.cell.value_or(""));  // padstacks read from the source
    EXPECT_EQ("Smd", calls[5].state.partition.value_or(""));
    EXPECT_EQ("SO8N", calls[6].state.cell.value_or(""));  // and added to the destination
    EXPECT_EQ("alice", calls[4].state.workingUser);
    EXPECT_EQ("alice", calls[0].state.workingUser);
    EXPECT_EQ(0, calls[0].state.partitionType);
}

TEST_F(ItemCopyTest, CopyBetweenPartitionsChecksOnlyTheDestinationAndMoveChecksBoth) {
    EXPECT_EQ(S_OK, Copy("Smd", "Thru"));
    EXPECT_EQ((std::vector<std::string>{SP "GetPartitionReservation(Thru)", SP "ReservePartition(Thru, alice)",
                                        SP "UnReservePartition(Thru, alice)"}),
              store.CallTexts(SP));

    store.ClearCalls();
    EXPECT_EQ(S_OK, Copy("Smd", "smd", kNo, kYes));  // differ in case: two partitions
    EXPECT_EQ((std::vector<std::string>{SP "GetPartitionReservation(Smd)", SP "ReservePartition(Smd, alice)",
                                        SP "GetPartitionReservation(smd)", SP "ReservePartition(smd, alice)",
                                        SP "UnReservePartition(smd, alice)", SP "UnReservePartition(Smd, alice)"}),
              store.CallTexts(SP));
}

TEST_F(ItemCopyTest, MoveDeletesTheSourceBetweenReadingAndAddingThePadstacks) {
    store.FillsString(SP "GetPartitionReservation", "Alice");  // both held by the user: kept
    EXPECT_EQ(S_OK, Copy("Smd", "Thru", kNo, kYes));
    const auto texts = store.CallTexts();
    const std::vector<std::string> tail(texts.end() - 5, texts.end());
    EXPECT_EQ((std::vector<std::string>{"KelmCell::GetPadstackNames(SO8, null)", "KelmCell::Delete(SO8, Smd)",
                                        "KelmCell::AddPadstack(pin40, SO8N, null)", "KelmCell::AddPadstack(smd60, SO8N, null)",
                                        "KelmServer::Save(null, 0, 0)"}),
              tail);
    EXPECT_EQ(0, store.Count(SP "ReservePartition"));
    EXPECT_EQ(0, store.Count(SP "UnReservePartition"));
}

TEST_F(ItemCopyTest, MoveWhoseSourceDeleteFailsIsNotSaved) {
    store.Returns("KelmCell::Delete", kelm::store::KELM_E_IO);
    EXPECT_EQ(kelm::store::KELM_E_IO, Copy("Smd", "Thru", kNo, kYes));
    EXPECT_EQ(2, store.Count("KelmCell::AddPadstack"));
    EXPECT_EQ(2, store.Count(SP "UnReservePartition"));
    EXPECT_EQ(0, store.Count("KelmServer::Save"));

    store.ClearCalls();
    store.Returns("KelmPart::Delete", kelm::store::KELM_E_IO);
    EXPECT_EQ(kelm::store::KELM_E_IO, Copy("Lib", "Lib", kNo, kYes, KelmEnum_ObjType_PartType));
    EXPECT_EQ(0, store.Count("KelmServer::Save"));
}

TEST_F(ItemCopyTest, ExistingDestinationCellWithAndWithoutOverwrite) {
    store.Returns("KelmCell::Add", kExists);
    for (VARIANT_BOOL flag : {kNo, VARIANT_BOOL{1}}) {
        store.ClearCalls();
        EXPECT_EQ(kExists, Copy("Smd", "Smd", flag, kYes));
        EXPECT_EQ(0, store.Count("KelmCell::Delete"));       // neither the destination nor the source
        EXPECT_EQ(2, store.Count("KelmCell::AddPadstack"));  // the padstack step still runs
        EXPECT_EQ(0, store.Count("KelmServer::Save"));
    }

    store.ClearCalls();
    store.Returns("KelmCell::Add", S_OK).ReturnsOnce("KelmCell::Add", kExists);
    kelm::platform::SetClockForTesting([n = std::int64_t{100}]() mutable { return n++; });
    EXPECT_EQ(S_OK, Copy("Smd", "Smd", kYes));
    const auto texts = store.CallTexts();
    EXPECT_EQ("KelmCell::Add([1,2], SO8N, Smd, 4, 100, 0, 0)", texts[4]);
    EXPECT_EQ("KelmCell::Delete(SO8N, Smd)", texts[5]);
    EXPECT_EQ("KelmCell::Add([1,2], SO8N, Smd, 4, 100, 0, 0)", texts[6]);  // the same time stamp
    EXPECT_EQ(1, store.Count("KelmServer::Save"));
}

TEST_F(ItemCopyTest, SecondAddFailureIsReturned) {
    store.ReturnsOnce("KelmCell::Add", kExists).ReturnsOnce("KelmCell::Add", -9);
    EXPECT_EQ(-9, Copy("Smd", "Smd", kYes, kYes));
    EXPECT_EQ(1, store.Count("KelmCell::Delete"));  // the destination only; no move after a failed add
    EXPECT_EQ(0, store.Count("KelmServer::Save"));
}

TEST_F(ItemCopyTest, UnreadableSourceEndsTheCopyAndReleases) {
    store.Returns("KelmCell::GetPinNames", -4);
    EXPECT_EQ(-4, Copy("Smd", "Smd"));
    store.Returns("KelmCell::GetPinNames", S_OK).Returns("KelmCell::GetType", -5);
    EXPECT_EQ(-5, Copy("Smd", "Smd"));
    store.Returns("KelmPart::GetPinNumbers", -6);
    EXPECT_EQ(-6, Copy("Lib", "Lib", kNo, kNo, KelmEnum_ObjType_PartType));
    EXPECT_EQ(0, store.Count("KelmCell::Add"));
    EXPECT_EQ(0, store.Count("KelmPart::Add"));
    EXPECT_EQ(3, store.Count(SP "UnReservePartition"));
    EXPECT_EQ(0, store.Count("KelmServer::Save"));
}

TEST_F(ItemCopyTest, PartTypeCopiesPinsOnlyAndOverwriteHasNoEffect) {
    EXPECT_EQ(S_OK, Copy("Lib", "Other", kNo, kYes, KelmEnum_ObjType_PartType));
    EXPECT_EQ((std::vector<std::string>{
                  SP "GetPartitionReservation(Lib)", SP "ReservePartition(Lib, alice)",
                  SP "GetPartitionReservation(Other)", SP "ReservePartition(Other, alice)",
                  "KelmPart::GetPinNumbers(R1)",
                  "KelmPart::Add(Other, [1,2,3], R1N, null, 0, 0)",
                  "KelmPart::Delete(R1)",
                  SP "UnReservePartition(Other, alice)", SP "UnReservePartition(Lib, alice)",
                  "KelmServer::Save(null, 0, 0)",
              }),
              store.CallTexts());
    EXPECT_EQ(7, store.Calls()[0].state.partitionType);

    store.ClearCalls();
    store.Returns("KelmPart::Add", kExists);
    EXPECT_EQ(kExists, Copy("Lib", "Other", kYes, kYes, KelmEnum_ObjType_PartType));
    EXPECT_EQ(0, store.Count("KelmPart::Delete"));
    EXPECT_EQ(1, store.Count("KelmPart::Add"));
}

TEST_F(ItemCopyTest, ReservationFailures) {
    // The source is held by another user: nothing taken, nothing released.
    store.FillsStringFor(SP "GetPartitionReservation", "Smd", "bob");
    EXPECT_EQ(E_FAIL, Copy("Smd", "Thru", kNo, kYes));
    EXPECT_EQ(0, store.Count(SP "ReservePartition"));

    // The destination cannot be reserved: the source just taken is released.
    store.ClearCalls();
    store.FillsStringFor(SP "GetPartitionReservation", "Smd", "").ReturnsFor(SP "ReservePartition", "Thru", -7);
    EXPECT_EQ(-7, Copy("Smd", "Thru", kNo, kYes));
    EXPECT_EQ((std::vector<std::string>{SP "GetPartitionReservation(Smd)", SP "ReservePartition(Smd, alice)",
                                        SP "GetPartitionReservation(Thru)", SP "ReservePartition(Thru, alice)",
                                        SP "UnReservePartition(Smd, alice)"}),
              store.CallTexts());

    // The destination is held by another user.
    store.ClearCalls();
    store.FillsStringFor(SP "GetPartitionReservation", "Thru", "bob");
    EXPECT_EQ(E_FAIL, Copy("Smd", "Thru"));
    EXPECT_EQ(0, store.Count("KelmCell::GetPinNames"));
    EXPECT_EQ(0, store.Count(SP "UnReservePartition"));

    // The user holds the destination but the query failed.
    store.ClearCalls();
    store.FillsStringFor(SP "GetPartitionReservation", "Thru", "alice").Returns(SP "GetPartitionReservation", -2);
    EXPECT_EQ(-2, Copy("Smd", "Thru"));
    EXPECT_EQ(0, store.Count("KelmServer::Save"));
}

TEST_F(ItemCopyTest, SaveStatusIsTheResult) {
    store.Returns("KelmServer::Save", -11);
    EXPECT_EQ(-11, Copy("Smd", "Thru"));
}

TEST_F(ItemCopyTest, PadstackAndOverwriteDeleteStatusesAreIgnored) {
    store.Returns("KelmCell::GetPadstackNames", -1).Returns("KelmCell::AddPadstack", -1)
        .ReturnsOnce("KelmCell::Add", kExists).Returns("KelmCell::Delete", -2);
    EXPECT_EQ(S_OK, Copy("Smd", "Smd", kYes));
    EXPECT_EQ(2, store.Count("KelmCell::Add"));
    EXPECT_EQ(2, store.Count("KelmCell::AddPadstack"));  // the names the store left
    EXPECT_EQ(1, store.Count("KelmServer::Save"));
}

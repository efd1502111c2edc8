// Item deletion against the store double: the order of checks, the
// reservation rule, the out flag and the save.
#include <gtest/gtest.h>

#include "maintenance/ItemDeletion.h"
#include "support/EditTestLibrary.h"

using namespace kelm::testing;

namespace {

#define SP "KelmSchemePartition::"
constexpr HRESULT kMissing = static_cast<HRESULT>(0x80040005L);

class ItemDeletionTest : public ::testing::Test {
protected:
    HRESULT Delete(KelmEnum_ObjType kind = KelmEnum_ObjType_Cell, const std::string& item = "SO8") {
        return kelm::DeleteItemFromQVM(library.Session(), "Smd", item, kind, &noItem);
    }

    EditTestLibrary library{"alice"};
    ScriptedStore& store = library.Store();
    VARIANT_BOOL noItem = 7;  // what the caller left in the flag
};

}  // namespace

TEST_F(ItemDeletionTest, ChecksComeInOrderAndLeaveTheFlagUnwritten) {
    library.Session().Close();
    store.ClearCalls();
    EXPECT_EQ(E_POINTER, kelm::DeleteItemFromQVM(library.Session(), "Smd", "SO8", KelmEnum_ObjType_LogicSymbol, nullptr));
    EXPECT_EQ(E_FAIL, Delete(KelmEnum_ObjType_LogicSymbol));
    EXPECT_EQ(7, noItem);

    EditTestLibrary open;
    EXPECT_EQ(E_NOTIMPL, kelm::DeleteItemFromQVM(open.Session(), "Smd", "SO8", KelmEnum_ObjType_LogicSymbol, &noItem));
    EXPECT_EQ(E_NOTIMPL, kelm::DeleteItemFromQVM(open.Session(), "Smd", "SO8", KelmEnum_ObjType_None, &noItem));
    EXPECT_EQ(7, noItem);
    EXPECT_TRUE(store.Calls().empty());
    EXPECT_TRUE(open.Store().Calls().empty());
}

TEST_F(ItemDeletionTest, CellOnAFreePartitionIsDeletedReleasedAndSaved) {
    EXPECT_EQ(S_OK, Delete());
    EXPECT_EQ(0, noItem);
    EXPECT_EQ((std::vector<std::string>{
                  SP "GetPartitionReservation(Smd)",
                  SP "ReservePartition(Smd, alice)",
                  "KelmCell::Delete(SO8, Smd)",
                  SP "UnReservePartition(Smd, alice)",
                  "KelmServer::Save(null, 0, 0)",
              }),
              store.CallTexts());
    EXPECT_EQ(0, store.Calls()[0].state.partitionType);
    EXPECT_EQ("alice", store.Calls()[0].state.workingUser);
    EXPECT_EQ("alice", store.Calls()[2].state.workingUser);
    EXPECT_FALSE(store.Calls()[2].state.partition.has_value());
}

TEST_F(ItemDeletionTest, PartTypeIsDeletedByNameAloneOnThePartitionTheUserHolds) {
    store.FillsString(SP "GetPartitionReservation", "ALICE");
    EXPECT_EQ(S_OK, kelm::DeleteItemFromQVM(library.Session(), "Resistors", "R1", KelmEnum_ObjType_PartType, &noItem));
    EXPECT_EQ((std::vector<std::string>{SP "GetPartitionReservation(Resistors)", "KelmPart::Delete(R1)",
                                        "KelmServer::Save(null, 0, 0)"}),
              store.CallTexts());
    EXPECT_EQ(7, store.Calls()[0].state.partitionType);
    EXPECT_EQ("alice", store.Calls()[1].state.workingUser);
}

TEST_F(ItemDeletionTest, MissingItemSetsTheFlagAndReleasesWithoutSaving) {
    store.Returns("KelmCell::Delete", kMissing);
    EXPECT_EQ(kMissing, Delete());
    EXPECT_EQ(VARIANT_TRUE, noItem);
    EXPECT_EQ(1, store.Count(SP "UnReservePartition"));
    EXPECT_EQ(0, store.Count("KelmServer::Save"));
}

TEST_F(ItemDeletionTest, OtherDeleteFailureIsReturnedWithTheFlagClear) {
    store.Returns("KelmPart::Delete", kelm::store::KELM_E_IO).Returns(SP "UnReservePartition", -1);
    EXPECT_EQ(kelm::store::KELM_E_IO, Delete(KelmEnum_ObjType_PartType, "R1"));
    EXPECT_EQ(0, noItem);
    EXPECT_EQ(1, store.Count(SP "UnReservePartition"));
    EXPECT_EQ(0, store.Count("KelmServer::Save"));
}

TEST_F(ItemDeletionTest, SaveStatusIsTheResult) {
    store.Returns("KelmServer::Save", kelm::store::KELM_E_CONFLICT);
    EXPECT_EQ(kelm::store::KELM_E_CONFLICT, Delete());
    EXPECT_EQ(0, noItem);
}

TEST_F(ItemDeletionTest, ReservationFailuresEndTheCallBeforeTheDelete) {
    // Held by another user: that reservation stays.
    store.FillsString(SP "GetPartitionReservation", "bob");
    EXPECT_EQ(E_FAIL, Delete());
    EXPECT_EQ(0, noItem);
    // Held by the user, but the query failed.
    store.FillsString(SP "GetPartitionReservation", "alice").Returns(SP "GetPartitionReservation", -3);
    EXPECT_EQ(-3, Delete());
    // Free, but it cannot be reserved.
    store.FillsString(SP "GetPartitionReservation", "").Returns(SP "ReservePartition", kelm::store::KELM_E_RESERVED_BY_OTHER);
    EXPECT_EQ(kelm::store::KELM_E_RESERVED_BY_OTHER, Delete());

    EXPECT_EQ(0, store.Count("KelmCell::Delete"));
    EXPECT_EQ(0, store.Count(SP "UnReservePartition"));
    EXPECT_EQ(0, store.Count("KelmServer::Save"));
}

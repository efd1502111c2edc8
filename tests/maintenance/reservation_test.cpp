// Partition reservation: the three client methods and the reservation rule
// of the editing methods, against the store double.
#include <gtest/gtest.h>

#include "maintenance/Reservation.h"
#include "platform/CodePage.h"
#include "support/EditTestLibrary.h"

using namespace kelm::testing;
using kelm::AutoBstr;

namespace {

constexpr const char* kGet = "KelmSchemePartition::GetPartitionReservation";
constexpr const char* kReserve = "KelmSchemePartition::ReservePartition";
constexpr const char* kUnReserve = "KelmSchemePartition::UnReservePartition";

class ReservationTest : public ::testing::Test {
protected:
    EditTestLibrary library{"alice"};
    ScriptedStore& store = library.Store();
    kelm::LibrarySession& session = library.Session();
};

}  // namespace

TEST_F(ReservationTest, ReserveAndReleaseNameTheRelativePathAndTheSessionUser) {
    EXPECT_EQ(S_OK, kelm::ReservePartition(session, "Resistors", KelmEnum_ObjType_PartType));
    EXPECT_EQ(S_OK, kelm::UnReservePartition(session, "Gates", KelmEnum_ObjType_LogicSymbol));
    EXPECT_EQ(S_OK, kelm::ReservePartition(session, "Smd", KelmEnum_ObjType_Cell));
    EXPECT_EQ((std::vector<std::string>{"KelmSchemePartition::ReservePartition(PartsDBLibs\\Resistors.pdb, alice)",
                                        "KelmSchemePartition::UnReservePartition(SymbolLibs\\Gates, alice)",
                                        "KelmSchemePartition::ReservePartition(CellDBLibs\\Smd.cel, alice)"}),
              store.CallTexts());
    EXPECT_EQ(7, store.Calls()[0].state.partitionType);
    EXPECT_EQ(13, store.Calls()[1].state.partitionType);
    EXPECT_EQ(0, store.Calls()[2].state.partitionType);

    store.ClearCalls();  // an unknown kind reaches the store as an empty path of type 22
    store.Returns(kReserve, kelm::store::KELM_E_NO_SUCH_PARTITION);
    EXPECT_EQ(kelm::store::KELM_E_NO_SUCH_PARTITION, kelm::ReservePartition(session, "X", KelmEnum_ObjType_None));
    EXPECT_EQ("KelmSchemePartition::ReservePartition(, alice)", store.Calls()[0].Text());
    EXPECT_EQ(22, store.Calls()[0].state.partitionType);
}

TEST_F(ReservationTest, NegativeStoreStatusPassesOnAndOthersGiveZero) {
    store.ReturnsOnce(kReserve, 1).ReturnsOnce(kReserve, -7).ReturnsOnce(kUnReserve, 5).ReturnsOnce(kUnReserve, -9);
    EXPECT_EQ(S_OK, kelm::ReservePartition(session, "R", KelmEnum_ObjType_PartType));
    EXPECT_EQ(-7, kelm::ReservePartition(session, "R", KelmEnum_ObjType_PartType));
    EXPECT_EQ(S_OK, kelm::UnReservePartition(session, "R", KelmEnum_ObjType_PartType));
    EXPECT_EQ(-9, kelm::UnReservePartition(session, "R", KelmEnum_ObjType_PartType));
}

TEST_F(ReservationTest, HolderIsWrittenWhateverTheStoreSays) {
    AutoBstr holder;
    EXPECT_EQ(S_OK, kelm::GetPartitionReservation(session, "Resistors", KelmEnum_ObjType_PartType, holder.Out()));
    ASSERT_NE(nullptr, holder.get());
    EXPECT_EQ("", kelm::platform::BstrToAnsi(holder.get()));
    EXPECT_EQ("KelmSchemePartition::GetPartitionReservation(PartsDBLibs\\Resistors.pdb)", store.Calls()[0].Text());

    store.FillsString(kGet, "bob").Returns(kGet, -3);
    EXPECT_EQ(-3, kelm::GetPartitionReservation(session, "Resistors", KelmEnum_ObjType_PartType, holder.Out()));
    EXPECT_EQ("bob", kelm::platform::BstrToAnsi(holder.get()));

    store.Returns(kGet, 2);
    EXPECT_EQ(S_OK, kelm::GetPartitionReservation(session, "Resistors", KelmEnum_ObjType_PartType, holder.Out()));
}

TEST_F(ReservationTest, ClosedLibraryAndNullOutStringAreRefusedWithoutTheStore) {
    EXPECT_EQ(E_POINTER, kelm::GetPartitionReservation(session, "R", KelmEnum_ObjType_PartType, nullptr));
    session.Close();
    store.ClearCalls();
    EXPECT_EQ(E_POINTER, kelm::GetPartitionReservation(session, "R", KelmEnum_ObjType_PartType, nullptr));
    BSTR untouched = reinterpret_cast<BSTR>(0x1);
    EXPECT_EQ(E_FAIL, kelm::GetPartitionReservation(session, "R", KelmEnum_ObjType_PartType, &untouched));
    EXPECT_EQ(reinterpret_cast<BSTR>(0x1), untouched);
    EXPECT_EQ(E_FAIL, kelm::ReservePartition(session, "R", KelmEnum_ObjType_PartType));
    EXPECT_EQ(E_FAIL, kelm::UnReservePartition(session, "R", KelmEnum_ObjType_PartType));
    EXPECT_TRUE(store.Calls().empty());
}

// ---------------------------------------------------------------- the editing rule
namespace {

class EditRuleTest : public ReservationTest {
protected:
    kelm::store::KelmSchemePartition partitions{session.Store()};
};

}  // namespace

TEST_F(EditRuleTest, FreePartitionIsTakenAndGivenBackOnceAlsoByTheDestructor) {
    {
        kelm::EditReservation rule(partitions, "Smd", "alice");
        EXPECT_EQ(S_OK, rule.Acquire());
        EXPECT_TRUE(rule.TookIt());
        rule.Release();
        rule.Release();
    }
    EXPECT_EQ((std::vector<std::string>{"KelmSchemePartition::GetPartitionReservation(Smd)",
                                        "KelmSchemePartition::ReservePartition(Smd, alice)",
                                        "KelmSchemePartition::UnReservePartition(Smd, alice)"}),
              store.CallTexts());

    store.Returns(kUnReserve, -1);  // the destructor gives back what was taken and ignores the status
    { kelm::EditReservation rule(partitions, "Smd", "alice"); EXPECT_EQ(S_OK, rule.Acquire()); }
    EXPECT_EQ(2, store.Count(kUnReserve));
}

TEST_F(EditRuleTest, FreePartitionThatCannotBeReservedEndsWithTheReservationStatus) {
    for (HRESULT status : {HRESULT{-5}, HRESULT{1}}) {
        store.ClearCalls();
        store.ReturnsOnce(kReserve, status);
        {
            kelm::EditReservation rule(partitions, "Smd", "alice");
            EXPECT_EQ(status, rule.Acquire());
            EXPECT_FALSE(rule.TookIt());
        }
        EXPECT_EQ(0, store.Count(kUnReserve));
    }
}

TEST_F(EditRuleTest, HolderEqualToTheUserIgnoringCaseIsAcceptedAndKept) {
    store.FillsString(kGet, "ALICE");
    {
        kelm::EditReservation rule(partitions, "Smd", "alice");
        EXPECT_EQ(S_OK, rule.Acquire());
        EXPECT_FALSE(rule.TookIt());
    }
    EXPECT_EQ(std::vector<std::string>{"KelmSchemePartition::GetPartitionReservation(Smd)"}, store.CallTexts());
}

TEST_F(EditRuleTest, OtherHolderIsRefusedAndAFailedQueryOfTheUsersOwnPartitionEndsWithItsStatus) {
    store.FillsString(kGet, "bob");
    kelm::EditReservation other(partitions, "Smd", "alice");
    EXPECT_EQ(E_FAIL, other.Acquire());

    store.FillsString(kGet, "Alice").Returns(kGet, -4);
    kelm::EditReservation failing(partitions, "Smd", "alice");
    EXPECT_EQ(-4, failing.Acquire());
    other.Release();
    failing.Release();
    EXPECT_EQ(0, store.Count(kReserve));
    EXPECT_EQ(0, store.Count(kUnReserve));
}

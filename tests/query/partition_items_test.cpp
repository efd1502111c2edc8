#include "query/PartitionItems.h"

#include <gtest/gtest.h>

#include "query/QueryTestSession.h"

namespace kelm {
namespace {

using testing::DoubleSession;
using testing::KeepsArray;
using testing::kUntouchedCount;
using testing::OpenDoubleSession;
using testing::Strings;
using Entries = std::vector<std::string>;

constexpr HRESULT kStoreFailure = static_cast<HRESULT>(0x8004100AL);
const char* const kCount = "KelmSchemePartition::GetNumObjectsInPartition";
const char* const kCells = "KelmCell::GetCellsInPartition";
const char* const kParts = "KelmPart::GetPartsInPartition";
const char* const kSymbols = "KelmSymbol::GetSymbolsInPartition";
const auto kUnknownKind = static_cast<KelmEnum_ObjType>(4);

TEST(ItemChecks, NullOutParameterFirstThenClosedLibraryWritingNothing) {
    DoubleSession lib;
    EXPECT_EQ(GetPartitionItemsCount(lib.session, "P", "*", KelmEnum_ObjType_Cell, nullptr), E_POINTER);
    EXPECT_EQ(GetPartitionItems(lib.session, "P", "*", KelmEnum_ObjType_Cell, nullptr), E_POINTER);
    long count = kUntouchedCount;
    EXPECT_EQ(GetPartitionItemsCount(lib.session, "P", "", KelmEnum_ObjType_Cell, &count), E_FAIL);
    EXPECT_EQ(GetPartitionItemsCount(lib.session, "P", "R*", KelmEnum_ObjType_Cell, &count), E_FAIL);
    EXPECT_EQ(count, kUntouchedCount);
    EXPECT_EQ(KeepsArray([&](SAFEARRAY** out) { return GetPartitionItems(lib.session, "P", "*", KelmEnum_ObjType_Cell, out); }),
              E_FAIL);
    StringList list{"kept"};
    EXPECT_EQ(GetPartitionItemList(lib.session, "P", "*", store::kPartitionTypeCell, list), E_FAIL);
    EXPECT_EQ(list, StringList{"kept"});
    EXPECT_TRUE(lib.store->Calls().empty());
}

class ItemCount : public OpenDoubleSession {
protected:
    std::pair<HRESULT, long> Count(const std::string& partition, const std::string& filter, KelmEnum_ObjType kind) {
        long count = kUntouchedCount;
        const HRESULT hr = GetPartitionItemsCount(Session(), partition, filter, kind, &count);
        return {hr, count};
    }
};

TEST_F(ItemCount, KindNoneFailsWithoutStoreAndWithoutWritingTheCount) {
    for (const char* filter : {"", "*", "R*"}) {
        EXPECT_EQ(Count("P", filter, KelmEnum_ObjType_None), std::make_pair(E_FAIL, kUntouchedCount));
    }
    EXPECT_TRUE(Store().Calls().empty());
}

TEST_F(ItemCount, EmptyFilterAndSingleStarAreCountedByTheStore) {
    Store().FillsInt(kCount, 12);
    for (const char* filter : {"", "*"}) {
        Store().ClearCalls();
        EXPECT_EQ(Count("Smd", filter, KelmEnum_ObjType_Cell), std::make_pair(S_OK, 12L));
        ASSERT_EQ(Store().CallTexts(), Entries{std::string(kCount) + "(Smd, 0)"});
        EXPECT_EQ(Store().Calls()[0].state.partitionType, store::kPartitionTypeCell);
    }
}

TEST_F(ItemCount, StoreCountStatusReachesTheClientWithWhateverCountWasLeftStartingAtZero) {
    Store().FillsInt(kCount, 5).ReturnsOnce(kCount, 2).ReturnsOnce(kCount, kStoreFailure);
    EXPECT_EQ(Count("R", "*", KelmEnum_ObjType_PartType), std::make_pair(HRESULT{2}, 5L));
    EXPECT_EQ(Count("R", "*", KelmEnum_ObjType_PartType), std::make_pair(kStoreFailure, 5L));

    DoubleSession fresh;  // nothing filled: the count the store leaves is the zero it was given
    ASSERT_EQ(fresh.Open(), S_OK);
    fresh.store->Returns(kCount, kStoreFailure);
    long count = kUntouchedCount;
    EXPECT_EQ(GetPartitionItemsCount(fresh.session, "R", "", KelmEnum_ObjType_PartType, &count), kStoreFailure);
    EXPECT_EQ(count, 0);
}

TEST_F(ItemCount, UnrecognisedKindIsCountedAsTypeTwentyTwoButNotListed) {
    Store().FillsInt(kCount, 3).Returns(kCount, kStoreFailure);
    EXPECT_EQ(Count("X", "", kUnknownKind), std::make_pair(kStoreFailure, 3L));
    ASSERT_EQ(Store().Count(kCount), 1);
    EXPECT_EQ(Store().Last(kCount)->state.partitionType, store::kPartitionTypeNone);
    Store().ClearCalls();
    EXPECT_EQ(Count("X", "a*", kUnknownKind), std::make_pair(E_FAIL, 0L));
    EXPECT_TRUE(Store().Calls().empty());
}

TEST_F(ItemCount, AnyOtherFilterCountsTheListedMatchesAndAListingFailureGivesZero) {
    Store().FillsInt(kCount, 99).Fills(kCells, {"R1", "r10", "C1", "R2"});
    for (const auto& [filter, expected] : std::vector<std::pair<std::string, long>>{
             {"**", 4}, {"r*", 3}, {"R?", 2}, {"*1*", 3}, {" *", 0}, {"* ", 0}}) {
        Store().ClearCalls();
        EXPECT_EQ(Count("Smd", filter, KelmEnum_ObjType_Cell), std::make_pair(S_OK, expected)) << filter;
        EXPECT_EQ(Store().Ops(), Entries{kCells}) << filter;
    }
    Store().Fills(kParts, {"A", "B"}).ReturnsOnce(kParts, kStoreFailure).ReturnsOnce(kParts, 4);
    EXPECT_EQ(Count("R", "?", KelmEnum_ObjType_PartType), std::make_pair(kStoreFailure, 0L));
    EXPECT_EQ(Count("R", "?", KelmEnum_ObjType_PartType), std::make_pair(S_OK, 2L));
}

class ItemListing : public OpenDoubleSession {
protected:
    Entries Items(const std::string& partition, const std::string& filter, KelmEnum_ObjType kind) {
        AutoSafeArray result;
        EXPECT_EQ(GetPartitionItems(Session(), partition, filter, kind, result.Out()), S_OK);
        return result.get() ? Strings(result.get()) : Entries{};
    }
};

TEST_F(ItemListing, EachKindAsksItsOwnStoreObject) {
    Store().Fills(kCells, {"C"}).Fills(kParts, {"P"}).Fills(kSymbols, {"Lib:S"});
    EXPECT_EQ(Items("Lib", "*", KelmEnum_ObjType_Cell), Entries{"C"});
    EXPECT_EQ(Items("Lib", "*", KelmEnum_ObjType_PartType), Entries{"P"});
    EXPECT_EQ(Items("Lib", "*", KelmEnum_ObjType_LogicSymbol), Entries{"Lib:S"});
    EXPECT_EQ(Store().CallTexts(),
              (Entries{std::string(kCells) + "(Lib)", std::string(kParts) + "(Lib)", std::string(kSymbols) + "(Lib)"}));
    const auto& calls = Store().Calls();
    EXPECT_FALSE(calls[0].state.partition.has_value());
    EXPECT_FALSE(calls[0].state.cell.has_value());
    EXPECT_FALSE(calls[1].state.partition.has_value());
    EXPECT_EQ(calls[2].state.partitionType, store::kPartitionTypeSymbol);
    EXPECT_FALSE(calls[2].state.symbol.has_value());
}

TEST_F(ItemListing, FilterIgnoresCaseKeepsStoreSpellingSortsWithoutCaseAndEmptyMatchesOnlyEmpty) {
    Store().Fills(kCells, {"r11", "C1", "R10", "R1", "r2x", "R"});
    EXPECT_EQ(Items("Smd", "r1*", KelmEnum_ObjType_Cell), (Entries{"R1", "R10", "r11"}));
    EXPECT_EQ(Items("Smd", "R?", KelmEnum_ObjType_Cell), (Entries{"R1"}));
    EXPECT_EQ(Items("Smd", "*", KelmEnum_ObjType_Cell), (Entries{"C1", "R", "R1", "R10", "r11", "r2x"}));
    EXPECT_EQ(Items("Smd", "**", KelmEnum_ObjType_Cell).size(), 6u);
    EXPECT_EQ(Items("Smd", "*0", KelmEnum_ObjType_Cell), (Entries{"R10"}));
    EXPECT_TRUE(Items("Smd", "", KelmEnum_ObjType_Cell).empty());
    Store().Fills(kSymbols, {"Gates:AND2", "Gates:"});
    EXPECT_EQ(Items("Gates", "", KelmEnum_ObjType_LogicSymbol), Entries{"Gates:"});
}

TEST_F(ItemListing, SymbolFilterAppliesAfterThePartitionName) {
    Store().Fills(kSymbols, {"Gates:NAND2", "Gates:AND2", "Gates:and3", "Other:AND4"});
    EXPECT_EQ(Items("Gates", "AND*", KelmEnum_ObjType_LogicSymbol), (Entries{"Gates:AND2", "Gates:and3"}));
    EXPECT_EQ(Items("gates", "*", KelmEnum_ObjType_LogicSymbol), (Entries{"Gates:AND2", "Gates:and3", "Gates:NAND2"}));
    // A partition name with wildcards is part of the pattern.
    EXPECT_EQ(Items("*", "AND?", KelmEnum_ObjType_LogicSymbol), (Entries{"Gates:AND2", "Gates:and3", "Other:AND4"}));
    EXPECT_EQ(Items("?ates", "*AND2", KelmEnum_ObjType_LogicSymbol), (Entries{"Gates:AND2", "Gates:NAND2"}));
}

TEST_F(ItemListing, UnknownKindsFailWithoutTheStoreNegativeStatusIsPassedOnPositiveIsSuccess) {
    for (int kind : {0, 4, -3}) {
        EXPECT_EQ(KeepsArray([&](SAFEARRAY** out) {
                      return GetPartitionItems(Session(), "P", "*", static_cast<KelmEnum_ObjType>(kind), out);
                  }),
                  E_FAIL);
    }
    EXPECT_TRUE(Store().Calls().empty());
    Store().Fills(kSymbols, {"G:B", "G:a"}).ReturnsOnce(kSymbols, kStoreFailure).ReturnsOnce(kSymbols, 9);
    EXPECT_EQ(KeepsArray([&](SAFEARRAY** out) {
                  return GetPartitionItems(Session(), "G", "*", KelmEnum_ObjType_LogicSymbol, out);
              }),
              kStoreFailure);
    EXPECT_EQ(Items("G", "*", KelmEnum_ObjType_LogicSymbol), (Entries{"G:a", "G:B"}));
}

TEST_F(ItemListing, InternalListIsUntouchedOnFailureAndReplacedOnSuccess) {
    Store().Fills(kCells, {"X1"}).ReturnsOnce(kCells, kStoreFailure);
    StringList list{"old"};
    EXPECT_EQ(GetPartitionItemList(Session(), "P", "*", store::kPartitionTypeCell, list), kStoreFailure);
    EXPECT_EQ(GetPartitionItemList(Session(), "P", "*", store::kPartitionTypeNone, list), E_FAIL);
    EXPECT_EQ(list, StringList{"old"});
    EXPECT_EQ(GetPartitionItemList(Session(), "P", "*", store::kPartitionTypeCell, list), S_OK);
    EXPECT_EQ(list, StringList{"X1"});
}

}  // namespace
}  // namespace kelm

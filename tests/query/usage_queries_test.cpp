#include "query/UsageQueries.h"

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
const char* const kCellPins = "KelmCell::GetPinNames";
const char* const kPartPins = "KelmPart::GetPinNumbers";
const char* const kSymbolPins = "KelmSymbol::GetPinNames";
const char* const kPartNumbers = "KelmCell::GetPartNumbers";
const char* const kCellPartitions = "KelmCell::GetPartitionNames";

TEST(UsageChecks, NullOutParameterFirstThenClosedLibraryWritingNothing) {
    DoubleSession lib;
    EXPECT_EQ(GetPinCount(lib.session, "P", "X", KelmEnum_ObjType_Cell, nullptr), E_POINTER);
    EXPECT_EQ(GetPartsUsingThisCell(lib.session, "X", nullptr), E_POINTER);
    EXPECT_EQ(GetPartitionsStoringThisCell(lib.session, "X", nullptr), E_POINTER);
    long count = kUntouchedCount;
    EXPECT_EQ(GetPinCount(lib.session, "P", "X", KelmEnum_ObjType_Cell, &count), E_FAIL);
    EXPECT_EQ(count, kUntouchedCount);
    EXPECT_EQ(KeepsArray([&](SAFEARRAY** out) { return GetPartsUsingThisCell(lib.session, "X", out); }), E_FAIL);
    EXPECT_EQ(KeepsArray([&](SAFEARRAY** out) { return GetPartitionsStoringThisCell(lib.session, "X", out); }), E_FAIL);
    StringList pins{"kept"};
    EXPECT_EQ(GetItemPinList(lib.session, "P", "X", store::kPartitionTypeCell, pins), E_FAIL);
    EXPECT_EQ(pins, StringList{"kept"});
    EXPECT_TRUE(lib.store->Calls().empty());
}

class PinCount : public OpenDoubleSession {
protected:
    std::pair<HRESULT, long> Count(const std::string& partition, const std::string& item, int kind) {
        long count = kUntouchedCount;
        const HRESULT hr = GetPinCount(Session(), partition, item, static_cast<KelmEnum_ObjType>(kind), &count);
        return {hr, count};
    }
};

TEST_F(PinCount, KindNoneFailsWithoutWritingOtherKindsWriteZero) {
    EXPECT_EQ(Count("P", "X", 0), std::make_pair(E_FAIL, kUntouchedCount));
    EXPECT_EQ(Count("P", "X", 4), std::make_pair(E_FAIL, 0L));
    EXPECT_EQ(Count("P", "X", -1), std::make_pair(E_FAIL, 0L));
    EXPECT_TRUE(Store().Calls().empty());
}

TEST_F(PinCount, CellsAndPartsAreCountedByNameAlone) {
    Store().FillsFor(kCellPins, "SO8", {"1", "2", "3", "4", "5", "6", "7", "8"})
        .FillsFor(kPartPins, "R-100", {"1", "2", "2"});
    for (const char* partition : {"", "Smd", "Anything"}) {
        EXPECT_EQ(Count(partition, "SO8", KelmEnum_ObjType_Cell), std::make_pair(S_OK, 8L));
        EXPECT_EQ(Count(partition, "R-100", KelmEnum_ObjType_PartType), std::make_pair(S_OK, 3L));  // not deduplicated
    }
    EXPECT_EQ(Store().Last(kCellPins)->Text(), std::string(kCellPins) + "(SO8)");
    EXPECT_EQ(Store().Last(kPartPins)->Text(), std::string(kPartPins) + "(R-100)");
}

TEST_F(PinCount, SymbolsAreCountedUnderTheirQualifiedName) {
    Store().FillsFor(kSymbolPins, "Gates:AND2", {"A", "B", "Y"}).FillsFor(kSymbolPins, ":AND2", {"A"});
    EXPECT_EQ(Count("Gates", "AND2", KelmEnum_ObjType_LogicSymbol), std::make_pair(S_OK, 3L));
    EXPECT_EQ(Count("", "AND2", KelmEnum_ObjType_LogicSymbol), std::make_pair(S_OK, 1L));
    EXPECT_EQ(Store().Last(kSymbolPins)->Text(), std::string(kSymbolPins) + "(:AND2)");
}

TEST_F(PinCount, StoreStatusReachesTheClientWithWhatTheStoreLeft) {
    Store().Fills(kPartPins, {"1", "2"}).ReturnsOnce(kPartPins, 6).ReturnsOnce(kPartPins, kStoreFailure);
    EXPECT_EQ(Count("", "R", KelmEnum_ObjType_PartType), std::make_pair(static_cast<HRESULT>(6), 2L));
    EXPECT_EQ(Count("", "R", KelmEnum_ObjType_PartType), std::make_pair(kStoreFailure, 2L));
    Store().Returns(kCellPins, kStoreFailure);
    EXPECT_EQ(Count("", "C", KelmEnum_ObjType_Cell), std::make_pair(kStoreFailure, 0L));
}

TEST_F(PinCount, InternalListIsEmptiedBeforeTheStoreFillsIt) {
    StringList pins{"stale"};
    EXPECT_EQ(GetItemPinList(Session(), "", "C", store::kPartitionTypeCell, pins), S_OK);
    EXPECT_TRUE(pins.empty());
    pins = {"stale"};
    EXPECT_EQ(GetItemPinList(Session(), "", "C", store::kPartitionTypeNone, pins), E_FAIL);
    EXPECT_TRUE(pins.empty());
}

class CellUsage : public OpenDoubleSession {
protected:
    using Query = HRESULT (*)(LibrarySession&, const std::string&, SAFEARRAY**);
    Entries Ask(Query query, const std::string& cell) {
        AutoSafeArray result;
        EXPECT_EQ(query(Session(), cell, result.Out()), S_OK);
        return result.get() ? Strings(result.get()) : Entries{"<null>"};
    }
};

TEST_F(CellUsage, ListsInTheStoresOrderUnsorted) {
    Store().FillsFor(kPartNumbers, "SO8", {"U2", "u1", "U2"}).FillsFor(kCellPartitions, "SO8", {"Smd", "Legacy", "Alpha"});
    EXPECT_EQ(Ask(GetPartsUsingThisCell, "SO8"), (Entries{"U2", "u1", "U2"}));
    EXPECT_EQ(Ask(GetPartitionsStoringThisCell, "SO8"), (Entries{"Smd", "Legacy", "Alpha"}));
    EXPECT_EQ(Store().CallTexts(),
              (Entries{std::string(kPartNumbers) + "(SO8)", std::string(kCellPartitions) + "(SO8)"}));
    EXPECT_FALSE(Store().Calls()[0].state.partition.has_value());
    EXPECT_FALSE(Store().Calls()[0].state.cell.has_value());
}

TEST_F(CellUsage, UnusedCellGivesAnEmptyArrayAndAStoreFailureIsNotReported) {
    EXPECT_TRUE(Ask(GetPartsUsingThisCell, "Lonely").empty());
    EXPECT_TRUE(Ask(GetPartitionsStoringThisCell, "Lonely").empty());
    Store().Fills(kPartNumbers, {"U9"}).Returns(kPartNumbers, kStoreFailure)
        .Returns(kCellPartitions, kStoreFailure);
    EXPECT_EQ(Ask(GetPartsUsingThisCell, "SO8"), Entries{"U9"});  // what the store left
    EXPECT_TRUE(Ask(GetPartitionsStoringThisCell, "SO8").empty());
}

}  // namespace
}  // namespace kelm

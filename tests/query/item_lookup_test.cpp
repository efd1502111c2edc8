#include "query/ItemLookup.h"

#include <gtest/gtest.h>

#include "query/QueryTestSession.h"

namespace kelm {
namespace {

using testing::DoubleSession;
using testing::OpenDoubleSession;
using testing::Text;
using Entries = std::vector<std::string>;

constexpr HRESULT kStoreFailure = static_cast<HRESULT>(0x8004100AL);
constexpr HRESULT kOtherFailure = static_cast<HRESULT>(0x80041007L);
const char* const kDefaultScheme = "KelmSchemePartition::GetDefaultSearchScheme";
const char* const kCellPartitions = "KelmCell::GetPartitionNames";
const char* const kPartPartition = "KelmPart::GetPartition";
const char* const kSymbolPartitions = "KelmSymbol::GetPartitionNames";
const char* const kCellExists = "KelmCell::DoesCellExist";
const auto kUnknownKind = static_cast<KelmEnum_ObjType>(4);

TEST(LookupChecks, NullOutParameterComesFirst) {
    DoubleSession lib;
    EXPECT_EQ(FindItemPartition(lib.session, "X", KelmEnum_ObjType_Cell, nullptr), E_POINTER);
    EXPECT_EQ(DoesItemExist(lib.session, "", "", "X", KelmEnum_ObjType_LogicSymbol, nullptr), E_POINTER);
    EXPECT_EQ(DoesItemExist(lib.session, "", "", "X", KelmEnum_ObjType_Cell, nullptr), E_POINTER);
    EXPECT_TRUE(lib.store->Calls().empty());
}

TEST(LookupChecks, DoesItemExistRefusesOtherKindsBeforeTheOpenTest) {
    DoubleSession lib;
    for (int kind : {0, 1, 4, -1}) {
        VARIANT_BOOL exists = 5;
        EXPECT_EQ(DoesItemExist(lib.session, "", "", "X", static_cast<KelmEnum_ObjType>(kind), &exists), E_NOTIMPL);
        EXPECT_EQ(exists, 5);
    }
    ASSERT_EQ(lib.Open(), S_OK);
    VARIANT_BOOL exists = 5;
    EXPECT_EQ(DoesItemExist(lib.session, "", "", "X", KelmEnum_ObjType_LogicSymbol, &exists), E_NOTIMPL);
    EXPECT_EQ(exists, 5);
    EXPECT_TRUE(lib.store->Calls().empty());
}

TEST(LookupChecks, ClosedLibraryFailsAndWritesNothing) {
    DoubleSession lib;
    AutoBstr previous = testing::PreviousBstr();
    BSTR out = previous.get();
    EXPECT_EQ(FindItemPartition(lib.session, "X", KelmEnum_ObjType_Cell, &out), E_FAIL);
    EXPECT_EQ(out, previous.get());
    for (auto kind : {KelmEnum_ObjType_Cell, KelmEnum_ObjType_PartType}) {
        VARIANT_BOOL exists = 5;
        EXPECT_EQ(DoesItemExist(lib.session, "", "", "X", kind, &exists), E_FAIL);
        EXPECT_EQ(exists, 5);
    }
    StringList list{"kept"};
    std::string partition = "kept";
    EXPECT_EQ(GetItemPartitionList(lib.session, "X", store::kPartitionTypeCell, list), E_FAIL);
    EXPECT_EQ(GetItemPartition(lib.session, "X", store::kPartitionTypeCell, partition), E_FAIL);
    EXPECT_EQ(list, StringList{"kept"});
    EXPECT_EQ(partition, "kept");
    EXPECT_TRUE(lib.store->Calls().empty());
}

class FindPartition : public OpenDoubleSession {
protected:
    // The status, and the name written ("<untouched>" when none was).
    std::pair<HRESULT, std::string> Find(const std::string& item, KelmEnum_ObjType kind) {
        AutoBstr previous = testing::PreviousBstr();
        BSTR out = previous.get();
        const HRESULT hr = FindItemPartition(Session(), item, kind, &out);
        if (out == previous.get()) return {hr, "<untouched>"};
        AutoBstr written(out);
        return {hr, Text(written.get())};
    }
};

TEST_F(FindPartition, KindNoneAndUnrecognisedKindsFailWithoutTheStore) {
    EXPECT_EQ(Find("X", KelmEnum_ObjType_None), std::make_pair(E_FAIL, std::string("<untouched>")));
    EXPECT_EQ(Find("X", kUnknownKind), std::make_pair(E_FAIL, std::string("<untouched>")));
    EXPECT_TRUE(Store().Calls().empty());
}

TEST_F(FindPartition, CellsTakeTheFirstPartitionTheStoreLists) {
    Store().FillsFor(kCellPartitions, "SO8", {"Smd", "Legacy", "Smd"});
    EXPECT_EQ(Find("SO8", KelmEnum_ObjType_Cell), std::make_pair(S_OK, std::string("Smd")));
    EXPECT_EQ(Store().CallTexts(), Entries{std::string(kCellPartitions) + "(SO8)"});
}

TEST_F(FindPartition, CellNowhereFailsPositiveStatusSucceedsNegativeIsPassedOn) {
    Store().Fills(kCellPartitions, {});
    EXPECT_EQ(Find("Nope", KelmEnum_ObjType_Cell), std::make_pair(E_FAIL, std::string("<untouched>")));
    Store().Fills(kCellPartitions, {"Smd"}).ReturnsOnce(kCellPartitions, 3);
    EXPECT_EQ(Find("SO8", KelmEnum_ObjType_Cell), std::make_pair(S_OK, std::string("Smd")));
    Store().ReturnsOnce(kCellPartitions, kStoreFailure);
    EXPECT_EQ(Find("SO8", KelmEnum_ObjType_Cell), std::make_pair(kStoreFailure, std::string("<untouched>")));
}

TEST_F(FindPartition, PartsAskForTheirOnePartition) {
    Store().FillsStringFor(kPartPartition, "R-100", "Resistors");
    EXPECT_EQ(Find("R-100", KelmEnum_ObjType_PartType), std::make_pair(S_OK, std::string("Resistors")));
    EXPECT_EQ(Store().CallTexts(), Entries{std::string(kPartPartition) + "(, R-100)"});

    Store().ReturnsOnce(kPartPartition, kStoreFailure);
    EXPECT_EQ(Find("R-100", KelmEnum_ObjType_PartType), std::make_pair(kStoreFailure, std::string("<untouched>")));
    Store().ReturnsOnce(kPartPartition, 1);
    EXPECT_EQ(Find("R-100", KelmEnum_ObjType_PartType), std::make_pair(S_OK, std::string("Resistors")));
}

TEST_F(FindPartition, PartTheStorePlacesNowhereIsNotFound) {
    // The store answers success with an empty name for an unknown part.
    EXPECT_EQ(Find("Unknown", KelmEnum_ObjType_PartType), std::make_pair(E_FAIL, std::string("<untouched>")));
    StringList list{"stale"};
    EXPECT_EQ(GetItemPartitionList(Session(), "Unknown", store::kPartitionTypePart, list), S_OK);
    EXPECT_TRUE(list.empty());
}

class FindSymbol : public FindPartition {
protected:
    void SetUp() override {
        FindPartition::SetUp();
        Store().Fills(kDefaultScheme, {"SymbolLibs\\Gates", "CellDBLibs\\Smd.cel", "SymbolLibs\\Analog",
                                       "SymbolLibs\\Gates"});
    }
};

TEST_F(FindSymbol, SearchesTheDefaultSchemesSymbolPartitionsInOrder) {
    Store().FillsFor(kSymbolPartitions, "Analog:OPA", {"Analog"});
    EXPECT_EQ(Find("OPA", KelmEnum_ObjType_LogicSymbol), std::make_pair(S_OK, std::string("Analog")));
    EXPECT_EQ(Store().CallTexts(),
              (Entries{std::string(kDefaultScheme) + "()", std::string(kSymbolPartitions) + "(Gates:OPA)",
                       std::string(kSymbolPartitions) + "(Analog:OPA)", std::string(kSymbolPartitions) + "(Gates:OPA)"}));
}

TEST_F(FindSymbol, FirstAnsweringPartitionWinsAndEveryListIsKept) {
    Store().FillsFor(kSymbolPartitions, "Gates:AND2", {"Gates"}).FillsFor(kSymbolPartitions, "Analog:AND2", {"Analog"});
    StringList list{"stale"};
    EXPECT_EQ(GetItemPartitionList(Session(), "AND2", store::kPartitionTypeSymbol, list), S_OK);
    EXPECT_EQ(list, (StringList{"Gates", "Analog", "Gates"}));
    EXPECT_EQ(Find("AND2", KelmEnum_ObjType_LogicSymbol), std::make_pair(S_OK, std::string("Gates")));
}

TEST_F(FindSymbol, TheLastPartitionsStatusDecides) {
    Store().FillsFor(kSymbolPartitions, "Gates:AND2", {"Gates"}).FillsFor(kSymbolPartitions, "Analog:AND2", {"Analog"});
    // Earlier partitions answered, the last one failed: the lookup fails.
    Store().ReturnsOnce(kSymbolPartitions, S_OK).ReturnsOnce(kSymbolPartitions, S_OK)
        .ReturnsOnce(kSymbolPartitions, kStoreFailure);
    EXPECT_EQ(Find("AND2", KelmEnum_ObjType_LogicSymbol), std::make_pair(kStoreFailure, std::string("<untouched>")));
    // Earlier partitions failed (their lists are dropped), the last one answered.
    Store().ReturnsOnce(kSymbolPartitions, kStoreFailure).ReturnsOnce(kSymbolPartitions, kOtherFailure)
        .ReturnsOnce(kSymbolPartitions, 2);
    StringList list;
    EXPECT_EQ(GetItemPartitionList(Session(), "AND2", store::kPartitionTypeSymbol, list), 2);
    EXPECT_EQ(list, StringList{"Gates"});
}

TEST_F(FindSymbol, SymbolOutsideTheDefaultSchemeIsNotFound) {
    Store().Fills(kSymbolPartitions, {});
    EXPECT_EQ(Find("Elsewhere", KelmEnum_ObjType_LogicSymbol), std::make_pair(E_FAIL, std::string("<untouched>")));
    EXPECT_EQ(Store().Count("KelmSchemePartition::GetSchemePartitionList"), 0);
}

TEST_F(FindSymbol, SchemeWithoutSymbolPartitionsAnswersZeroWithNothing) {
    Store().Fills(kDefaultScheme, {"CellDBLibs\\Smd.cel"});
    StringList list{"stale"};
    EXPECT_EQ(GetItemPartitionList(Session(), "AND2", store::kPartitionTypeSymbol, list), S_OK);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(Find("AND2", KelmEnum_ObjType_LogicSymbol), std::make_pair(E_FAIL, std::string("<untouched>")));
    EXPECT_EQ(Store().Count(kSymbolPartitions), 0);
}

TEST_F(FindSymbol, DefaultSchemeFailureIsPassedOn) {
    Store().Returns(kDefaultScheme, kOtherFailure);
    EXPECT_EQ(Find("AND2", KelmEnum_ObjType_LogicSymbol), std::make_pair(kOtherFailure, std::string("<untouched>")));
    EXPECT_EQ(Store().Count(kSymbolPartitions), 0);
}

TEST_F(FindSymbol, QualifiedNameUsesTheItemNameExactlyAsGiven) {
    Store().Fills(kDefaultScheme, {"SymbolLibs\\Gates"});
    StringList list;
    (void)GetItemPartitionList(Session(), " and2 ", store::kPartitionTypeSymbol, list);
    EXPECT_EQ(Store().Last(kSymbolPartitions)->Text(), std::string(kSymbolPartitions) + "(Gates: and2 )");
}

class ItemExists : public OpenDoubleSession {
protected:
    void SetUp() override {
        OpenDoubleSession::SetUp();
        Store().Fills(kDefaultScheme, {"CellDBLibs\\Smd.cel", "PartsDBLibs\\R.pdb", "CellDBLibs\\Thru.cel",
                                       "CellDBLibs\\Legacy.cel"});
    }
    VARIANT_BOOL Exists(const std::string& partition, const std::string& excluded, const std::string& item,
                        KelmEnum_ObjType kind) {
        VARIANT_BOOL exists = 5;
        EXPECT_EQ(DoesItemExist(Session(), partition, excluded, item, kind, &exists), S_OK);
        return exists;
    }
};

TEST_F(ItemExists, CellSearchesTheDefaultSchemeAndStopsAtTheFirstHit) {
    Store().CellExists("SO8|Thru").CellExists("SO8|Legacy");
    EXPECT_EQ(Exists("", "", "SO8", KelmEnum_ObjType_Cell), VARIANT_TRUE);
    EXPECT_EQ(Store().CallTexts(),
              (Entries{std::string(kDefaultScheme) + "()", std::string(kCellExists) + "(SO8, Smd)",
                       std::string(kCellExists) + "(SO8, Thru)"}));
    EXPECT_EQ(Exists("", "", "QFP", KelmEnum_ObjType_Cell), VARIANT_FALSE);
}

TEST_F(ItemExists, CellExclusionComparesWithCase) {
    Store().CellExists("SO8|Thru");
    EXPECT_EQ(Exists("", "Thru", "SO8", KelmEnum_ObjType_Cell), VARIANT_FALSE);
    EXPECT_EQ(Exists("", "thru", "SO8", KelmEnum_ObjType_Cell), VARIANT_TRUE);
    Store().CellExists("SO8|Legacy");
    EXPECT_EQ(Exists("", "Thru", "SO8", KelmEnum_ObjType_Cell), VARIANT_TRUE);
}

TEST_F(ItemExists, CellInOneGivenPartition) {
    Store().CellExists("SO8|Legacy");
    EXPECT_EQ(Exists("Legacy", "", "SO8", KelmEnum_ObjType_Cell), VARIANT_TRUE);
    EXPECT_EQ(Exists("Smd", "Legacy", "SO8", KelmEnum_ObjType_Cell), VARIANT_FALSE);
    EXPECT_EQ(Store().Count(kDefaultScheme), 0);
    Store().ClearCalls();
    EXPECT_EQ(Exists("Legacy", "Legacy", "SO8", KelmEnum_ObjType_Cell), VARIANT_FALSE);
    EXPECT_TRUE(Store().Calls().empty());
}

TEST_F(ItemExists, DefaultSchemeFailureMeansNoCellAndStatusZero) {
    Store().CellExists("SO8").Returns(kDefaultScheme, kStoreFailure);
    EXPECT_EQ(Exists("", "", "SO8", KelmEnum_ObjType_Cell), VARIANT_FALSE);
    EXPECT_EQ(Store().Count(kCellExists), 0);
}

TEST_F(ItemExists, PartMustLieInTheGivenPartitionWithCase) {
    Store().FillsStringFor(kPartPartition, "R-100", "Resistors");
    EXPECT_EQ(Exists("Resistors", "", "R-100", KelmEnum_ObjType_PartType), VARIANT_TRUE);
    EXPECT_EQ(Exists("resistors", "", "R-100", KelmEnum_ObjType_PartType), VARIANT_FALSE);
    EXPECT_EQ(Exists("Resistors", "Resistors", "R-100", KelmEnum_ObjType_PartType), VARIANT_FALSE);
    EXPECT_EQ(Store().Last(kPartPartition)->Text(), std::string(kPartPartition) + "(, R-100)");
}

TEST_F(ItemExists, PartAnywhereUnlessExcluded) {
    Store().FillsStringFor(kPartPartition, "R-100", "Resistors");
    EXPECT_EQ(Exists("", "", "R-100", KelmEnum_ObjType_PartType), VARIANT_TRUE);
    EXPECT_EQ(Exists("", "Resistors", "R-100", KelmEnum_ObjType_PartType), VARIANT_FALSE);
    EXPECT_EQ(Exists("", "resistors", "R-100", KelmEnum_ObjType_PartType), VARIANT_TRUE);
    EXPECT_EQ(Exists("", "", "C-1", KelmEnum_ObjType_PartType), VARIANT_FALSE);  // the store names none
}

TEST_F(ItemExists, StoreFailureForAPartIsNotReported) {
    Store().Returns(kPartPartition, kStoreFailure);
    EXPECT_EQ(Exists("", "", "R-100", KelmEnum_ObjType_PartType), VARIANT_FALSE);
    EXPECT_EQ(Exists("Resistors", "", "R-100", KelmEnum_ObjType_PartType), VARIANT_FALSE);
}

}  // namespace
}  // namespace kelm

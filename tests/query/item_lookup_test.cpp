#include "query/ItemLookup.h"

#include <gtest/gtest.h>

#include "query/QueryTestSession.h"

namespace kelm {
namespace {

using testing::DoubleSession;
using testing::KeepsBstr;
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
const std::string kUntouched = "<untouched>";

std::string Call(const char* op, const std::string& args) { return std::string(op) + "(" + args + ")"; }

TEST(LookupChecks, NullOutFirstThenKindOfDoesItemExistThenOpenTest) {
    DoubleSession lib;
    EXPECT_EQ(FindItemPartition(lib.session, "X", KelmEnum_ObjType_Cell, nullptr), E_POINTER);
    EXPECT_EQ(DoesItemExist(lib.session, "", "", "X", KelmEnum_ObjType_LogicSymbol, nullptr), E_POINTER);
    EXPECT_EQ(DoesItemExist(lib.session, "", "", "X", KelmEnum_ObjType_Cell, nullptr), E_POINTER);
    for (int kind : {0, 1, 4, -1}) {  // refused before the open test
        VARIANT_BOOL exists = 5;
        EXPECT_EQ(DoesItemExist(lib.session, "", "", "X", static_cast<KelmEnum_ObjType>(kind), &exists), E_NOTIMPL);
        EXPECT_EQ(exists, 5);
    }
    EXPECT_EQ(KeepsBstr([&](BSTR* out) { return FindItemPartition(lib.session, "X", KelmEnum_ObjType_Cell, out); }),
              E_FAIL);
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

    ASSERT_EQ(lib.Open(), S_OK);
    VARIANT_BOOL exists = 5;
    EXPECT_EQ(DoesItemExist(lib.session, "", "", "X", KelmEnum_ObjType_LogicSymbol, &exists), E_NOTIMPL);
    EXPECT_EQ(exists, 5);
    EXPECT_TRUE(lib.store->Calls().empty());
}

class FindPartition : public OpenDoubleSession {
protected:
    // The status, and the name written ("<untouched>" when none was).
    std::pair<HRESULT, std::string> Find(const std::string& item, int kind) {
        AutoBstr previous = testing::PreviousBstr();
        BSTR out = previous.get();
        const HRESULT hr = FindItemPartition(Session(), item, static_cast<KelmEnum_ObjType>(kind), &out);
        if (out == previous.get()) return {hr, kUntouched};
        AutoBstr written(out);
        return {hr, Text(written.get())};
    }
    static std::pair<HRESULT, std::string> Found(const std::string& partition) { return {S_OK, partition}; }
    static std::pair<HRESULT, std::string> Failed(HRESULT status) { return {status, kUntouched}; }
};

TEST_F(FindPartition, KindNoneAndUnrecognisedKindsFailWithoutTheStore) {
    EXPECT_EQ(Find("X", KelmEnum_ObjType_None), Failed(E_FAIL));
    EXPECT_EQ(Find("X", 4), Failed(E_FAIL));
    EXPECT_TRUE(Store().Calls().empty());
}

TEST_F(FindPartition, CellsTakeTheFirstListedPartitionNoneFailsPositiveSucceedsNegativeIsPassedOn) {
    Store().FillsFor(kCellPartitions, "SO8", {"Smd", "Legacy", "Smd"});
    EXPECT_EQ(Find("SO8", KelmEnum_ObjType_Cell), Found("Smd"));
    EXPECT_EQ(Store().CallTexts(), Entries{Call(kCellPartitions, "SO8")});
    Store().Fills(kCellPartitions, {});
    EXPECT_EQ(Find("Nope", KelmEnum_ObjType_Cell), Failed(E_FAIL));
    Store().ReturnsOnce(kCellPartitions, 3);
    EXPECT_EQ(Find("SO8", KelmEnum_ObjType_Cell), Found("Smd"));
    Store().ReturnsOnce(kCellPartitions, kStoreFailure);
    EXPECT_EQ(Find("SO8", KelmEnum_ObjType_Cell), Failed(kStoreFailure));
}

TEST_F(FindPartition, PartsAskForTheirOnePartitionAndOneNamedNowhereIsNotFound) {
    Store().FillsStringFor(kPartPartition, "R-100", "Resistors");
    EXPECT_EQ(Find("R-100", KelmEnum_ObjType_PartType), Found("Resistors"));
    EXPECT_EQ(Store().CallTexts(), Entries{Call(kPartPartition, ", R-100")});
    Store().ReturnsOnce(kPartPartition, kStoreFailure);
    EXPECT_EQ(Find("R-100", KelmEnum_ObjType_PartType), Failed(kStoreFailure));
    Store().ReturnsOnce(kPartPartition, 1);
    EXPECT_EQ(Find("R-100", KelmEnum_ObjType_PartType), Found("Resistors"));

    // The store answers success with an empty name for an unknown part.
    EXPECT_EQ(Find("Unknown", KelmEnum_ObjType_PartType), Failed(E_FAIL));
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
    void AnswerAnd2() {
        Store().FillsFor(kSymbolPartitions, "Gates:AND2", {"Gates"}).FillsFor(kSymbolPartitions, "Analog:AND2", {"Analog"});
    }
};

TEST_F(FindSymbol, SearchesTheDefaultSchemesSymbolPartitionsInOrderUnderTheNameAsGiven) {
    Store().FillsFor(kSymbolPartitions, "Analog:OPA", {"Analog"});
    EXPECT_EQ(Find("OPA", KelmEnum_ObjType_LogicSymbol), Found("Analog"));
    EXPECT_EQ(Store().CallTexts(), (Entries{Call(kDefaultScheme, ""), Call(kSymbolPartitions, "Gates:OPA"),
                                            Call(kSymbolPartitions, "Analog:OPA"), Call(kSymbolPartitions, "Gates:OPA")}));
    StringList list;
    (void)GetItemPartitionList(Session(), " and2 ", store::kPartitionTypeSymbol, list);
    EXPECT_EQ(Store().Last(kSymbolPartitions)->Text(), Call(kSymbolPartitions, "Gates: and2 "));
}

TEST_F(FindSymbol, FirstAnsweringPartitionWinsAndEveryListIsKept) {
    AnswerAnd2();
    StringList list{"stale"};
    EXPECT_EQ(GetItemPartitionList(Session(), "AND2", store::kPartitionTypeSymbol, list), S_OK);
    EXPECT_EQ(list, (StringList{"Gates", "Analog", "Gates"}));
    EXPECT_EQ(Find("AND2", KelmEnum_ObjType_LogicSymbol), Found("Gates"));
}

TEST_F(FindSymbol, TheLastPartitionsStatusDecides) {
    AnswerAnd2();
    // Earlier partitions answered, the last one failed: the lookup fails.
    Store().ReturnsOnce(kSymbolPartitions, S_OK).ReturnsOnce(kSymbolPartitions, S_OK)
        .ReturnsOnce(kSymbolPartitions, kStoreFailure);
    EXPECT_EQ(Find("AND2", KelmEnum_ObjType_LogicSymbol), Failed(kStoreFailure));
    // Earlier partitions failed (their lists are dropped), the last one answered.
    Store().ReturnsOnce(kSymbolPartitions, kStoreFailure).ReturnsOnce(kSymbolPartitions, kOtherFailure)
        .ReturnsOnce(kSymbolPartitions, 2);
    StringList list;
    EXPECT_EQ(GetItemPartitionList(Session(), "AND2", store::kPartitionTypeSymbol, list), 2);
    EXPECT_EQ(list, StringList{"Gates"});
}

TEST_F(FindSymbol, NotFoundOutsideTheDefaultSchemeOrWithoutSymbolPartitionsAndSchemeFailureIsPassedOn) {
    Store().Fills(kSymbolPartitions, {});
    EXPECT_EQ(Find("Elsewhere", KelmEnum_ObjType_LogicSymbol), Failed(E_FAIL));
    EXPECT_EQ(Store().Count("KelmSchemePartition::GetSchemePartitionList"), 0);

    Store().ClearCalls();
    Store().Fills(kDefaultScheme, {"CellDBLibs\\Smd.cel"});  // the scheme holds no symbol partition
    StringList list{"stale"};
    EXPECT_EQ(GetItemPartitionList(Session(), "AND2", store::kPartitionTypeSymbol, list), S_OK);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(Find("AND2", KelmEnum_ObjType_LogicSymbol), Failed(E_FAIL));
    EXPECT_EQ(Store().Count(kSymbolPartitions), 0);

    Store().Returns(kDefaultScheme, kOtherFailure);
    EXPECT_EQ(Find("AND2", KelmEnum_ObjType_LogicSymbol), Failed(kOtherFailure));
    EXPECT_EQ(Store().Count(kSymbolPartitions), 0);
}

class ItemExists : public OpenDoubleSession {
protected:
    void SetUp() override {
        OpenDoubleSession::SetUp();
        Store().Fills(kDefaultScheme, {"CellDBLibs\\Smd.cel", "PartsDBLibs\\R.pdb", "CellDBLibs\\Thru.cel",
                                       "CellDBLibs\\Legacy.cel"});
        Store().FillsStringFor(kPartPartition, "R-100", "Resistors");
    }
    VARIANT_BOOL Exists(const std::string& partition, const std::string& excluded, const std::string& item,
                        KelmEnum_ObjType kind) {
        VARIANT_BOOL exists = 5;
        EXPECT_EQ(DoesItemExist(Session(), partition, excluded, item, kind, &exists), S_OK);
        return exists;
    }
};

TEST_F(ItemExists, CellSearchesTheDefaultSchemeStopsAtTheFirstHitAndExcludesWithCase) {
    Store().CellExists("SO8|Thru");
    EXPECT_EQ(Exists("", "", "SO8", KelmEnum_ObjType_Cell), VARIANT_TRUE);
    EXPECT_EQ(Store().CallTexts(),
              (Entries{Call(kDefaultScheme, ""), Call(kCellExists, "SO8, Smd"), Call(kCellExists, "SO8, Thru")}));
    EXPECT_EQ(Exists("", "", "QFP", KelmEnum_ObjType_Cell), VARIANT_FALSE);
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

TEST_F(ItemExists, PartInTheGivenPartitionOrAnywhereUnlessExcludedWithCase) {
    EXPECT_EQ(Exists("Resistors", "", "R-100", KelmEnum_ObjType_PartType), VARIANT_TRUE);
    EXPECT_EQ(Exists("resistors", "", "R-100", KelmEnum_ObjType_PartType), VARIANT_FALSE);
    EXPECT_EQ(Exists("Resistors", "Resistors", "R-100", KelmEnum_ObjType_PartType), VARIANT_FALSE);
    EXPECT_EQ(Store().Last(kPartPartition)->Text(), Call(kPartPartition, ", R-100"));
    EXPECT_EQ(Exists("", "", "R-100", KelmEnum_ObjType_PartType), VARIANT_TRUE);
    EXPECT_EQ(Exists("", "Resistors", "R-100", KelmEnum_ObjType_PartType), VARIANT_FALSE);
    EXPECT_EQ(Exists("", "resistors", "R-100", KelmEnum_ObjType_PartType), VARIANT_TRUE);
    EXPECT_EQ(Exists("", "", "C-1", KelmEnum_ObjType_PartType), VARIANT_FALSE);  // the store names none
}

TEST_F(ItemExists, StoreFailuresMeanNoItemAndStatusZero) {
    Store().CellExists("SO8").Returns(kDefaultScheme, kStoreFailure);
    EXPECT_EQ(Exists("", "", "SO8", KelmEnum_ObjType_Cell), VARIANT_FALSE);
    EXPECT_EQ(Store().Count(kCellExists), 0);
    Store().Returns(kPartPartition, kStoreFailure).FillsStringFor(kPartPartition, "R-100", "");  // a failure leaves it empty
    EXPECT_EQ(Exists("", "", "R-100", KelmEnum_ObjType_PartType), VARIANT_FALSE);
    EXPECT_EQ(Exists("Resistors", "", "R-100", KelmEnum_ObjType_PartType), VARIANT_FALSE);
}

}  // namespace
}  // namespace kelm

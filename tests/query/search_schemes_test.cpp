#include "query/SearchSchemes.h"

#include <gtest/gtest.h>

#include "api/Kelm.h"
#include "query/QueryTestSession.h"
#include "support/RecordingKelm.h"

namespace kelm {
namespace {

using testing::Bstr;
using testing::DoubleSession;
using testing::KeepsArray;
using testing::KeepsBstr;
using testing::OpenDoubleSession;
using testing::Strings;
using testing::Text;
using Entries = std::vector<std::string>;

constexpr HRESULT kStoreFailure = static_cast<HRESULT>(0x80041001L);
constexpr VARIANT_BOOL kTrue = VARIANT_TRUE;
constexpr VARIANT_BOOL kFalse = VARIANT_FALSE;

const char* const kDefaultName = "KelmSchemePartition::GetDefaultSearchSchemeName";
const char* const kSchemes = "KelmSchemePartition::GetSchemes";
const char* const kDefaultScheme = "KelmSchemePartition::GetDefaultSearchScheme";
const char* const kNamedScheme = "KelmSchemePartition::GetSchemePartitionList";

TEST(SchemeChecks, NullOutParameterFirstThenClosedLibraryWithoutTouchingStoreOrOutParameters) {
    DoubleSession lib;  // never opened
    EXPECT_EQ(GetSearchScheme_Default(lib.session, nullptr), E_POINTER);
    EXPECT_EQ(GetSearchScheme_All(lib.session, nullptr), E_POINTER);
    EXPECT_EQ(GetPartitionList_SearchScheme(lib.session, "", KelmEnum_ObjType_Cell, kTrue, kTrue, nullptr), E_POINTER);

    EXPECT_EQ(KeepsBstr([&](BSTR* out) { return GetSearchScheme_Default(lib.session, out); }), E_FAIL);
    EXPECT_EQ(KeepsArray([&](SAFEARRAY** out) { return GetSearchScheme_All(lib.session, out); }), E_FAIL);
    EXPECT_EQ(KeepsArray([&](SAFEARRAY** out) {
                  return GetPartitionList_SearchScheme(lib.session, "S", KelmEnum_ObjType_Cell, kTrue, kTrue, out);
              }),
              E_FAIL);
    StringList list{"kept"};
    EXPECT_EQ(GetPartitionList(lib.session, "", 1, 1, store::kPartitionTypeCell, list), E_FAIL);
    EXPECT_EQ(list, StringList{"kept"});
    EXPECT_TRUE(lib.store->Calls().empty());
}

TEST_F(OpenDoubleSession, DefaultSchemeNameOnZeroOrPositiveStatusNegativeIsPassedOn) {
    Store().FillsString(kDefaultName, "Standard");
    for (HRESULT status : {S_OK, static_cast<HRESULT>(1), static_cast<HRESULT>(7)}) {
        Store().ReturnsOnce(kDefaultName, status);
        AutoBstr name;
        EXPECT_EQ(GetSearchScheme_Default(Session(), name.Out()), S_OK) << status;
        EXPECT_EQ(Text(name.get()), "Standard");
    }
    Store().Returns(kDefaultName, kStoreFailure);
    EXPECT_EQ(KeepsBstr([&](BSTR* out) { return GetSearchScheme_Default(Session(), out); }), kStoreFailure);
}

TEST_F(OpenDoubleSession, AllSchemesSortedWithoutCasePositiveStatusIsSuccessNegativeIsPassedOn) {
    Store().Fills(kSchemes, {"beta", "Zeta", "Alpha", "gamma", "alpha2"});
    AutoSafeArray result;
    EXPECT_EQ(GetSearchScheme_All(Session(), result.Out()), S_OK);
    EXPECT_EQ(Strings(result.get()), (Entries{"Alpha", "alpha2", "beta", "gamma", "Zeta"}));

    Store().Fills(kSchemes, {}).ReturnsOnce(kSchemes, 3);
    EXPECT_EQ(GetSearchScheme_All(Session(), result.Out()), S_OK);
    EXPECT_TRUE(Strings(result.get()).empty());

    Store().Returns(kSchemes, kStoreFailure);
    EXPECT_EQ(KeepsArray([&](SAFEARRAY** out) { return GetSearchScheme_All(Session(), out); }), kStoreFailure);
}

// A scheme holding every kind, in the store's order, with a duplicate and an
// entry whose folder is spelled with other case.
class SchemePartitions : public OpenDoubleSession {
protected:
    void SetUp() override {
        OpenDoubleSession::SetUp();
        const StringList entries{"SymbolLibs\\Gates", "CellDBLibs\\Smd.cel", "PartsDBLibs\\Resistors.pdb",
                                 "cellDBLibs\\Lower.cel", "CellDBLibs\\Thru.cel", "CellDBLibs\\Smd.cel",
                                 "CellDBLibs\\Plain", "SymbolLibs\\Analog"};
        Store().Fills(kDefaultScheme, entries).FillsFor(kNamedScheme, "Board", entries);
    }
    Entries List(const std::string& scheme, int kind, VARIANT_BOOL onlyNames, VARIANT_BOOL removeExt) {
        AutoSafeArray result;
        EXPECT_EQ(GetPartitionList_SearchScheme(Session(), scheme, static_cast<KelmEnum_ObjType>(kind), onlyNames,
                                                removeExt, result.Out()),
                  S_OK);
        return result.get() ? Strings(result.get()) : Entries{};
    }
    HRESULT Failing(const std::string& scheme, int kind) {
        return KeepsArray([&](SAFEARRAY** out) {
            return GetPartitionList_SearchScheme(Session(), scheme, static_cast<KelmEnum_ObjType>(kind), kTrue, kTrue,
                                                 out);
        });
    }
    std::string Full(const std::string& entry) { return Session().LibraryFolder() + entry; }
};

TEST_F(SchemePartitions, FlagsChooseNamesOrFullPathsWithOrWithoutExtensionAndOnlyMinusOneIsTrue) {
    ASSERT_FALSE(Session().LibraryFolder().empty());
    EXPECT_EQ(List("Board", KelmEnum_ObjType_Cell, kFalse, kFalse),
              (Entries{Full("CellDBLibs\\Smd.cel"), Full("CellDBLibs\\Thru.cel"), Full("CellDBLibs\\Smd.cel"),
                       Full("CellDBLibs\\Plain")}));
    EXPECT_EQ(List("Board", KelmEnum_ObjType_Cell, kFalse, kTrue),
              (Entries{Full("CellDBLibs\\Smd"), Full("CellDBLibs\\Thru"), Full("CellDBLibs\\Smd"),
                       Full("CellDBLibs\\Plain")}));
    const Entries names{"Smd", "Thru", "Smd", "Plain"};
    EXPECT_EQ(List("Board", KelmEnum_ObjType_Cell, kTrue, kTrue), names);
    EXPECT_EQ(List("Board", KelmEnum_ObjType_Cell, kTrue, kFalse), names);
    EXPECT_EQ(List("Board", KelmEnum_ObjType_PartType, kFalse, kTrue), Entries{Full("PartsDBLibs\\Resistors")});
    EXPECT_EQ(List("Board", KelmEnum_ObjType_LogicSymbol, kFalse, kTrue),
              (Entries{Full("SymbolLibs\\Gates"), Full("SymbolLibs\\Analog")}));
    EXPECT_EQ(List("Board", KelmEnum_ObjType_LogicSymbol, kTrue, kFalse), (Entries{"Gates", "Analog"}));
    for (auto [onlyNames, removeExt] : {std::pair<VARIANT_BOOL, VARIANT_BOOL>{1, 1}, {0x7FFF, -2}}) {
        EXPECT_EQ(List("Board", KelmEnum_ObjType_PartType, onlyNames, removeExt), Entries{Full("PartsDBLibs\\Resistors.pdb")});
    }
    Store().FillsFor(kNamedScheme, "Symbols", {"SymbolLibs\\Gates"});  // no partition of the kind: empty array
    EXPECT_TRUE(List("Symbols", KelmEnum_ObjType_Cell, kFalse, kFalse).empty());
}

TEST_F(SchemePartitions, EmptySchemeNameAsksForTheDefaultScheme) {
    EXPECT_EQ(List("", KelmEnum_ObjType_PartType, kTrue, kTrue), Entries{"Resistors"});
    EXPECT_EQ(Store().Ops(), Entries{kDefaultScheme});
    Store().ClearCalls();
    EXPECT_EQ(List("Board", KelmEnum_ObjType_PartType, kTrue, kTrue), Entries{"Resistors"});
    EXPECT_EQ(Store().CallTexts(), Entries{std::string(kNamedScheme) + "(Board)"});
}

TEST_F(SchemePartitions, UnrecognisedKindFailsAfterTheStoreWasAsked) {
    for (int kind : {0, 4, -1}) {
        Store().ClearCalls();
        EXPECT_EQ(Failing("Board", kind), E_FAIL);
        EXPECT_EQ(Store().Ops(), Entries{kNamedScheme});
    }
}

TEST_F(SchemePartitions, NegativeStoreStatusIsPassedOnPositiveIsSuccess) {
    Store().ReturnsOnce(kNamedScheme, kStoreFailure);
    EXPECT_EQ(Failing("Board", KelmEnum_ObjType_Cell), kStoreFailure);
    Store().ReturnsOnce(kDefaultScheme, 2);
    EXPECT_EQ(List("", KelmEnum_ObjType_PartType, kTrue, kTrue), Entries{"Resistors"});
}

TEST_F(SchemePartitions, InternalListIsLeftAloneOnFailureAndReplacedOnSuccess) {
    StringList list{"old"};
    Store().ReturnsOnce(kDefaultScheme, kStoreFailure);
    EXPECT_EQ(GetPartitionList(Session(), "", 1, 1, store::kPartitionTypeCell, list), kStoreFailure);
    EXPECT_EQ(GetPartitionList(Session(), "", 1, 1, store::kPartitionTypeNone, list), E_FAIL);
    EXPECT_EQ(list, StringList{"old"});
    EXPECT_EQ(GetPartitionList(Session(), "", 1, 1, store::kPartitionTypePart, list), S_OK);
    EXPECT_EQ(list, StringList{"Resistors"});

    Store().Fills(kDefaultScheme, {"CellDBLibs\\a.cel.d\\a.cel", "CellDBLibs\\x.y.cel"});
    ASSERT_EQ(GetPartitionList(Session(), "", 0, 1, store::kPartitionTypeCell, list), S_OK);
    EXPECT_EQ(list, (StringList{Full("CellDBLibs\\a.d\\a"), Full("CellDBLibs\\x.y")}));  // every occurrence
}

TEST(DefaultSchemePartitions, GoThroughTheObjectsOwnInterfaceWithAnEmptySchemeName) {
    testing::RecordingKelm spy;
    for (HRESULT answer : {S_OK, E_POINTER, E_FAIL, kStoreFailure}) {
        spy.status = answer;
        AutoSafeArray out;
        EXPECT_EQ(GetPartitionList_DefaultSearchScheme(spy, KelmEnum_ObjType_PartType, 1, kTrue, out.Out()), answer);
        EXPECT_EQ(spy.Last(), "GetPartitionList_SearchScheme(, 3, 1, -1, out)");  // flags passed on as given
        EXPECT_EQ(out.get() != nullptr, answer == S_OK);  // the caller's out-parameter reached the object
    }
    spy.status = S_OK;
    EXPECT_EQ(GetPartitionList_DefaultSearchScheme(spy, KelmEnum_ObjType_Cell, kTrue, kTrue, nullptr), E_POINTER);
    EXPECT_EQ(spy.Last(), "GetPartitionList_SearchScheme(, 2, -1, -1, null)");
    EXPECT_EQ(spy.calls.size(), 5u);
}

// Through a real object: the same checks and results as an empty scheme name.
class KelmObject : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(CKelm::CreateWithBackend(lib.store, IID_IKelm, kelm.OutVoid()), S_OK);
        lib.store->Fills(kDefaultScheme, {"CellDBLibs\\Smd.cel", "PartsDBLibs\\R.pdb", "CellDBLibs\\Thru.cel"});
    }
    DoubleSession lib;
    ComPtr<IKelm> kelm;
};

TEST_F(KelmObject, DefaultSchemeListChecksOutParameterThenOpenTestThenEqualsAnEmptyOrNullSchemeName) {
    EXPECT_EQ(kelm->GetPartitionList_DefaultSearchScheme(KelmEnum_ObjType_Cell, kTrue, kTrue, nullptr), E_POINTER);
    EXPECT_EQ(KeepsArray([&](SAFEARRAY** out) {
                  return kelm->GetPartitionList_DefaultSearchScheme(KelmEnum_ObjType_Cell, kTrue, kTrue, out);
              }),
              E_FAIL);
    EXPECT_TRUE(lib.store->Calls().empty());

    AutoBstr file = Bstr(lib.qvmFile);
    ASSERT_EQ(kelm->Kelmstore_Open(file.get(), nullptr, kFalse), S_OK);
    lib.store->ClearCalls();
    AutoSafeArray viaDefault;
    AutoSafeArray viaNull;
    ASSERT_EQ(kelm->GetPartitionList_DefaultSearchScheme(KelmEnum_ObjType_Cell, kTrue, kFalse, viaDefault.Out()), S_OK);
    ASSERT_EQ(kelm->GetPartitionList_SearchScheme(nullptr, KelmEnum_ObjType_Cell, kTrue, kFalse, viaNull.Out()), S_OK);
    EXPECT_EQ(Strings(viaDefault.get()), (Entries{"Smd", "Thru"}));
    EXPECT_EQ(Strings(viaNull.get()), (Entries{"Smd", "Thru"}));
    EXPECT_EQ(lib.store->Ops(), (Entries{kDefaultScheme, kDefaultScheme}));
}

}  // namespace
}  // namespace kelm

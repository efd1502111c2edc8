#include "query/SearchSchemes.h"

#include <gtest/gtest.h>

#include "api/Kelm.h"
#include "query/QueryTestSession.h"

namespace kelm {
namespace {

using testing::Bstr;
using testing::DoubleSession;
using testing::OpenDoubleSession;
using testing::Strings;
using testing::Text;
using Entries = std::vector<std::string>;

constexpr HRESULT kStoreFailure = static_cast<HRESULT>(0x80041001L);
constexpr VARIANT_BOOL kTrue = VARIANT_TRUE;
constexpr VARIANT_BOOL kFalse = VARIANT_FALSE;

const char* const kDefaultScheme = "KelmSchemePartition::GetDefaultSearchScheme";
const char* const kNamedScheme = "KelmSchemePartition::GetSchemePartitionList";

TEST(SchemeChecks, NullOutParameterIsRefusedBeforeTheOpenTest) {
    DoubleSession lib;  // never opened
    EXPECT_EQ(GetSearchScheme_Default(lib.session, nullptr), E_POINTER);
    EXPECT_EQ(GetSearchScheme_All(lib.session, nullptr), E_POINTER);
    EXPECT_EQ(GetPartitionList_SearchScheme(lib.session, "", KelmEnum_ObjType_Cell, kTrue, kTrue, nullptr), E_POINTER);
    EXPECT_TRUE(lib.store->Calls().empty());
}

TEST(SchemeChecks, ClosedLibraryFailsWithoutTouchingStoreOrOutParameters) {
    DoubleSession lib;
    AutoBstr name = testing::PreviousBstr();
    BSTR nameOut = name.get();
    EXPECT_EQ(GetSearchScheme_Default(lib.session, &nameOut), E_FAIL);
    EXPECT_EQ(nameOut, name.get());

    AutoSafeArray previous = testing::PreviousArray();
    SAFEARRAY* out = previous.get();
    EXPECT_EQ(GetSearchScheme_All(lib.session, &out), E_FAIL);
    EXPECT_EQ(GetPartitionList_SearchScheme(lib.session, "S", KelmEnum_ObjType_Cell, kTrue, kTrue, &out), E_FAIL);
    EXPECT_EQ(out, previous.get());

    StringList list{"kept"};
    EXPECT_EQ(GetPartitionList(lib.session, "", 1, 1, store::kPartitionTypeCell, list), E_FAIL);
    EXPECT_EQ(list, StringList{"kept"});
    EXPECT_TRUE(lib.store->Calls().empty());
}

using DefaultSchemeName = OpenDoubleSession;

TEST_F(DefaultSchemeName, IsReturnedOnZeroAndPositiveStatus) {
    Store().FillsString("KelmSchemePartition::GetDefaultSearchSchemeName", "Standard");
    for (HRESULT status : {S_OK, static_cast<HRESULT>(1), static_cast<HRESULT>(7)}) {
        Store().ReturnsOnce("KelmSchemePartition::GetDefaultSearchSchemeName", status);
        AutoBstr name;
        EXPECT_EQ(GetSearchScheme_Default(Session(), name.Out()), S_OK) << status;
        EXPECT_EQ(Text(name.get()), "Standard");
    }
}

TEST_F(DefaultSchemeName, NegativeStatusIsPassedOnAndNothingWritten) {
    Store().FillsString("KelmSchemePartition::GetDefaultSearchSchemeName", "Standard")
        .Returns("KelmSchemePartition::GetDefaultSearchSchemeName", kStoreFailure);
    AutoBstr previous = testing::PreviousBstr();
    BSTR out = previous.get();
    EXPECT_EQ(GetSearchScheme_Default(Session(), &out), kStoreFailure);
    EXPECT_EQ(out, previous.get());
}

using AllSchemes = OpenDoubleSession;

TEST_F(AllSchemes, AreSortedWithoutRegardToCase) {
    Store().Fills("KelmSchemePartition::GetSchemes", {"beta", "Zeta", "Alpha", "gamma", "alpha2"});
    AutoSafeArray result;
    EXPECT_EQ(GetSearchScheme_All(Session(), result.Out()), S_OK);
    EXPECT_EQ(Strings(result.get()), (Entries{"Alpha", "alpha2", "beta", "gamma", "Zeta"}));
}

TEST_F(AllSchemes, PositiveStatusCountsAsSuccessAndEmptyListGivesEmptyArray) {
    Store().Fills("KelmSchemePartition::GetSchemes", {}).Returns("KelmSchemePartition::GetSchemes", 3);
    AutoSafeArray result;
    EXPECT_EQ(GetSearchScheme_All(Session(), result.Out()), S_OK);
    EXPECT_TRUE(Strings(result.get()).empty());
}

TEST_F(AllSchemes, NegativeStatusIsPassedOnAndNothingWritten) {
    Store().Returns("KelmSchemePartition::GetSchemes", kStoreFailure);
    AutoSafeArray previous = testing::PreviousArray();
    SAFEARRAY* out = previous.get();
    EXPECT_EQ(GetSearchScheme_All(Session(), &out), kStoreFailure);
    EXPECT_EQ(out, previous.get());
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

    Entries List(const std::string& scheme, KelmEnum_ObjType kind, VARIANT_BOOL onlyNames, VARIANT_BOOL removeExt) {
        AutoSafeArray result;
        EXPECT_EQ(GetPartitionList_SearchScheme(Session(), scheme, kind, onlyNames, removeExt, result.Out()), S_OK);
        return result.get() ? Strings(result.get()) : Entries{};
    }

    std::string Full(const std::string& entry) { return Session().LibraryFolder() + entry; }
};

TEST_F(SchemePartitions, FlagsChooseNamesOrFullPathsWithOrWithoutExtension) {
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
}

TEST_F(SchemePartitions, OnlyMinusOneIsTrue) {
    EXPECT_EQ(List("Board", KelmEnum_ObjType_PartType, 1, 1), Entries{Full("PartsDBLibs\\Resistors.pdb")});
    EXPECT_EQ(List("Board", KelmEnum_ObjType_PartType, 0x7FFF, -2), Entries{Full("PartsDBLibs\\Resistors.pdb")});
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
        AutoSafeArray previous = testing::PreviousArray();
        SAFEARRAY* out = previous.get();
        EXPECT_EQ(GetPartitionList_SearchScheme(Session(), "Board", static_cast<KelmEnum_ObjType>(kind), kTrue,
                                                kTrue, &out),
                  E_FAIL);
        EXPECT_EQ(out, previous.get());
        EXPECT_EQ(Store().Ops(), Entries{kNamedScheme});
    }
}

TEST_F(SchemePartitions, NegativeStoreStatusIsPassedOnPositiveIsSuccess) {
    Store().ReturnsOnce(kNamedScheme, kStoreFailure);
    AutoSafeArray previous = testing::PreviousArray();
    SAFEARRAY* out = previous.get();
    EXPECT_EQ(GetPartitionList_SearchScheme(Session(), "Board", KelmEnum_ObjType_Cell, kTrue, kTrue, &out),
              kStoreFailure);
    EXPECT_EQ(out, previous.get());

    Store().ReturnsOnce(kDefaultScheme, 2);
    EXPECT_EQ(List("", KelmEnum_ObjType_PartType, kTrue, kTrue), Entries{"Resistors"});
}

TEST_F(SchemePartitions, SchemeWithoutThatKindGivesEmptyArray) {
    Store().FillsFor(kNamedScheme, "Symbols", {"SymbolLibs\\Gates"});
    EXPECT_TRUE(List("Symbols", KelmEnum_ObjType_Cell, kFalse, kFalse).empty());
}

TEST_F(SchemePartitions, InternalListIsLeftAloneOnFailureAndReplacedOnSuccess) {
    StringList list{"old"};
    Store().ReturnsOnce(kDefaultScheme, kStoreFailure);
    EXPECT_EQ(GetPartitionList(Session(), "", 1, 1, store::kPartitionTypeCell, list), kStoreFailure);
    EXPECT_EQ(list, StringList{"old"});
    EXPECT_EQ(GetPartitionList(Session(), "", 1, 1, store::kPartitionTypeNone, list), E_FAIL);
    EXPECT_EQ(list, StringList{"old"});
    EXPECT_EQ(GetPartitionList(Session(), "", 1, 1, store::kPartitionTypePart, list), S_OK);
    EXPECT_EQ(list, StringList{"Resistors"});
}

TEST_F(OpenDoubleSession, RemovingExtensionsReplacesEveryOccurrenceOfTheFileName) {
    Store().Fills(kDefaultScheme, {"CellDBLibs\\a.cel.d\\a.cel", "CellDBLibs\\x.y.cel"});
    StringList list;
    ASSERT_EQ(GetPartitionList(Session(), "", 0, 1, store::kPartitionTypeCell, list), S_OK);
    EXPECT_EQ(list, (StringList{Session().LibraryFolder() + "CellDBLibs\\a.d\\a",
                                Session().LibraryFolder() + "CellDBLibs\\x.y"}));
}

// An IKelm that records the one call it serves.
class SpyKelm final : public IKelm {
public:
    STDMETHOD(GetPartitionList_SearchScheme)(BSTR scheme, KelmEnum_ObjType kind, VARIANT_BOOL onlyNames,
                                             VARIANT_BOOL removeExt, SAFEARRAY** out) override {
        ++calls;
        schemeWasNull = scheme == nullptr;
        schemeLength = scheme ? static_cast<int>(SysStringLen(scheme)) : -1;
        seenKind = kind;
        seenOnlyNames = onlyNames;
        seenRemoveExt = removeExt;
        seenOut = out;
        return answer;
    }

    int calls = 0;
    bool schemeWasNull = true;
    int schemeLength = -1;
    KelmEnum_ObjType seenKind = KelmEnum_ObjType_None;
    VARIANT_BOOL seenOnlyNames = 0;
    VARIANT_BOOL seenRemoveExt = 0;
    SAFEARRAY** seenOut = nullptr;
    HRESULT answer = S_OK;

#define KELM_SPY_UNUSED(signature) STDMETHOD(signature) override { return E_NOTIMPL; }
    STDMETHOD(QueryInterface)(REFIID, void**) override { return E_NOINTERFACE; }
    STDMETHOD_(ULONG, AddRef)() override { return 1; }
    STDMETHOD_(ULONG, Release)() override { return 1; }
    KELM_SPY_UNUSED(GetTypeInfoCount(UINT*))
    KELM_SPY_UNUSED(GetTypeInfo(UINT, LCID, ITypeInfo**))
    KELM_SPY_UNUSED(GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*))
    KELM_SPY_UNUSED(Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*))
    KELM_SPY_UNUSED(Kelmstore_Open(BSTR, BSTR, VARIANT_BOOL))
    KELM_SPY_UNUSED(Kelmstore_Close())
    KELM_SPY_UNUSED(RunCurator(BSTR, BSTR))
    KELM_SPY_UNUSED(RefreshQVMTree(BSTR, KelmEnum_ObjType))
    KELM_SPY_UNUSED(ReloadQVM())
    KELM_SPY_UNUSED(SaveQVM())
    KELM_SPY_UNUSED(ReservePartition(BSTR, KelmEnum_ObjType))
    KELM_SPY_UNUSED(UnReservePartition(BSTR, KelmEnum_ObjType))
    KELM_SPY_UNUSED(GetSearchScheme_Default(BSTR*))
    KELM_SPY_UNUSED(GetSearchScheme_All(SAFEARRAY**))
    KELM_SPY_UNUSED(GetPartitionList_DefaultSearchScheme(KelmEnum_ObjType, VARIANT_BOOL, VARIANT_BOOL, SAFEARRAY**))
    KELM_SPY_UNUSED(GetPartitionItemsCount(BSTR, BSTR, KelmEnum_ObjType, long*))
    KELM_SPY_UNUSED(GetPartitionItems(BSTR, BSTR, KelmEnum_ObjType, SAFEARRAY**))
    KELM_SPY_UNUSED(FindItemPartition(BSTR, KelmEnum_ObjType, BSTR*))
    KELM_SPY_UNUSED(DoesItemExist(BSTR, BSTR, BSTR, KelmEnum_ObjType, VARIANT_BOOL*))
    KELM_SPY_UNUSED(GetPinCount(BSTR, BSTR, KelmEnum_ObjType, long*))
    KELM_SPY_UNUSED(GetPartsUsingThisCell(BSTR, SAFEARRAY**))
    KELM_SPY_UNUSED(GetPartitionsStoringThisCell(BSTR, SAFEARRAY**))
    KELM_SPY_UNUSED(AddPartition(BSTR, KelmEnum_ObjType, VARIANT_BOOL))
    KELM_SPY_UNUSED(DeletePartition(BSTR, KelmEnum_ObjType))
    KELM_SPY_UNUSED(AddItemToQVM_Part(BSTR, KelmStruct_PartType*, VARIANT_BOOL))
    KELM_SPY_UNUSED(AddItemToQVM_Cell(BSTR, KelmStruct_Cell*, VARIANT_BOOL))
    KELM_SPY_UNUSED(DeleteItemFromQVM(BSTR, BSTR, KelmEnum_ObjType, VARIANT_BOOL*))
    KELM_SPY_UNUSED(CopyItemInQVM(BSTR, BSTR, BSTR, BSTR, KelmEnum_ObjType, VARIANT_BOOL, VARIANT_BOOL))
    KELM_SPY_UNUSED(CreateDefaultPadstack(BSTR, BSTR))
    KELM_SPY_UNUSED(GetPartitionReservation(BSTR, KelmEnum_ObjType, BSTR*))
#undef KELM_SPY_UNUSED
};

TEST(DefaultSchemePartitions, GoThroughTheObjectsOwnInterfaceWithAnEmptySchemeName) {
    SpyKelm spy;
    SAFEARRAY* out = nullptr;
    for (HRESULT answer : {S_OK, E_POINTER, E_FAIL, kStoreFailure}) {
        spy.answer = answer;
        EXPECT_EQ(GetPartitionList_DefaultSearchScheme(spy, KelmEnum_ObjType_PartType, 1, kTrue, &out), answer);
    }
    EXPECT_EQ(spy.calls, 4);
    EXPECT_FALSE(spy.schemeWasNull);
    EXPECT_EQ(spy.schemeLength, 0);
    EXPECT_EQ(spy.seenKind, KelmEnum_ObjType_PartType);
    EXPECT_EQ(spy.seenOnlyNames, 1);  // passed on as given, not normalised
    EXPECT_EQ(spy.seenRemoveExt, kTrue);
    EXPECT_EQ(spy.seenOut, &out);

    spy.answer = S_OK;
    EXPECT_EQ(GetPartitionList_DefaultSearchScheme(spy, KelmEnum_ObjType_Cell, kTrue, kTrue, nullptr), S_OK);
    EXPECT_EQ(spy.seenOut, nullptr);
}

// Through a real object: the same checks and results as an empty scheme name.
class KelmObject : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(CKelm::CreateWithBackend(lib.store, IID_IKelm, reinterpret_cast<void**>(&kelm)), S_OK);
        lib.store->Fills(kDefaultScheme, {"CellDBLibs\\Smd.cel", "PartsDBLibs\\R.pdb", "CellDBLibs\\Thru.cel"});
    }
    void TearDown() override {
        if (kelm) kelm->Release();
    }
    HRESULT Open() {
        AutoBstr file = Bstr(lib.qvmFile);
        const HRESULT hr = kelm->Kelmstore_Open(file.get(), nullptr, kFalse);
        lib.store->ClearCalls();
        return hr;
    }

    DoubleSession lib;
    IKelm* kelm = nullptr;
};

TEST_F(KelmObject, DefaultSchemeListChecksOutParameterThenOpenTest) {
    EXPECT_EQ(kelm->GetPartitionList_DefaultSearchScheme(KelmEnum_ObjType_Cell, kTrue, kTrue, nullptr), E_POINTER);
    AutoSafeArray previous = testing::PreviousArray();
    SAFEARRAY* out = previous.get();
    EXPECT_EQ(kelm->GetPartitionList_DefaultSearchScheme(KelmEnum_ObjType_Cell, kTrue, kTrue, &out), E_FAIL);
    EXPECT_EQ(out, previous.get());
    EXPECT_TRUE(lib.store->Calls().empty());
}

TEST_F(KelmObject, DefaultSchemeListEqualsAnEmptyOrNullSchemeName) {
    ASSERT_EQ(Open(), S_OK);
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

// Late binding from the method table on a copy of the example library: every method with typed
// and VARIANT out-parameters, the conversion of inputs, type mismatches and call shapes. Runs
// natively and, against the registered type library, under Wine.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "api/Kelm.h"
#include "platform/CodePage.h"
#include "support/LateBinding.h"
#include "support/TempFolder.h"
#include "util/AutoTypes.h"

namespace kelm {
namespace {

// A VARIANT of the given type holding `value` (a number, a flag or a pointer).
template <class T = LONG>
VARIANT Var(VARTYPE vt, T value = {}) {
    VARIANT v;
    VariantInit(&v);
    v.vt = vt;
    std::memcpy(&v.llVal, &value, sizeof value);
    return v;
}
VARIANT I2(SHORT value) { return Var(VT_I2, value); }
VARIANT I4(LONG value) { return Var(VT_I4, value); }
VARIANT Bool(bool value) { return Var<VARIANT_BOOL>(VT_BOOL, value ? VARIANT_TRUE : VARIANT_FALSE); }
VARIANT Ref(VARTYPE vt, void* target) { return Var(static_cast<VARTYPE>(VT_BYREF | vt), target); }

class Dispatch : public ::testing::Test {
protected:
    void SetUp() override {
        testing::CopyTree(std::filesystem::path(KELM_SOURCE_DIR) / "examples" / "library", folder.Root());
        ASSERT_EQ(S_OK, CKelm::CreateInstance(nullptr, IID_IKelm, kelm.OutVoid()));
    }
    void TearDown() override { Clear(); }
    // A string argument that lives as long as the test.
    VARIANT Str(const std::string& text) {
        VARIANT v = Var(VT_BSTR);
        v.bstrVal = strings.emplace_back(platform::AnsiToBstr(text)).get();
        return v;
    }
    // Invokes a method by name with its arguments first to last.
    HRESULT Call(const char* name, std::vector<VARIANT> args) {
        Clear();
        std::vector<VARIANT> reversed(args.rbegin(), args.rend());
        DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        const DispatchMethod* method = FindDispatchMethod(std::u16string(name, name + std::strlen(name)));
        return testing::ThroughInvoke(kelm.get())(*method, params, error, argErr);
    }
    std::string Description() const { return platform::BstrToAnsi(error.bstrDescription); }
    void Clear() {
        SysFreeString(error.bstrSource);
        SysFreeString(error.bstrDescription);
        SysFreeString(error.bstrHelpFile);
        error = {};
        argErr = 99;
    }
    void Open() { ASSERT_EQ(S_OK, Call("Kelmstore_Open", {Str(folder.Path() + "Demo.qvm"), Str("alice"), Bool(false)})); }
    testing::TempFolder folder;
    ComPtr<IKelm> kelm;
    std::vector<AutoBstr> strings;
    EXCEPINFO error{};
    UINT argErr = 99;
};

TEST_F(Dispatch, EveryMethodInBothOutStyles) {
    for (testing::OutStyle style : {testing::OutStyle::Typed, testing::OutStyle::Variant}) {
        SCOPED_TRACE(style == testing::OutStyle::Typed ? "typed" : "variant");
        testing::TempFolder fresh;
        testing::CopyTree(std::filesystem::path(KELM_SOURCE_DIR) / "examples" / "library", fresh.Root());
        testing::ExpectEveryMethodLateBound(testing::ThroughInvoke(kelm.get()), fresh.Path(), style, kelm.get());
    }
}

// A kind, a filter, a count and a flag as scripts pass them: what arrives,
// or how the call is refused (puArgErr counts from the last argument).
TEST_F(Dispatch, InputsAreConvertedLikeTheSystemsDispatcher) {
    Open();
    LONG kind = 3;
    VARIANT boxedKind = I2(3);
    struct Case { const char* what; VARIANT filter, kind; HRESULT hr; UINT argErr; LONG count; };
    const Case cases[] = {
        {"I4", Str("*"), I4(3), S_OK, 99, 2},
        {"I2", Str("*"), I2(3), S_OK, 99, 2},
        {"UI1", Str("*"), Var<BYTE>(VT_UI1, 3), S_OK, 99, 2},
        {"I8", Str("*"), Var<LONGLONG>(VT_I8, 3), S_OK, 99, 2},
        {"string", Str("*"), Str(" 3 "), S_OK, 99, 2},
        {"signed string", Str("*"), Str("+3"), S_OK, 99, 2},
        {"reference", Str("*"), Ref(VT_I4, &kind), S_OK, 99, 2},
        {"variant reference", Str("*"), Ref(VT_VARIANT, &boxedKind), S_OK, 99, 2},
        {"number as filter", I4(10), I4(3), S_OK, 99, 0},
        {"double", Str("*"), Var(VT_R8, 3.0), DISP_E_TYPEMISMATCH, 1, -1},
        {"word", Str("*"), Str("three"), DISP_E_TYPEMISMATCH, 1, -1},
        {"null", Str("*"), Var(VT_NULL), DISP_E_TYPEMISMATCH, 1, -1},
        {"null filter", Var(VT_NULL), I4(3), DISP_E_TYPEMISMATCH, 2, -1},
        {"too large", Str("*"), Var(VT_I8, 1LL << 40), DISP_E_OVERFLOW, 1, -1},
        {"too large unsigned", Str("*"), Var<ULONGLONG>(VT_UI8, ~0ULL), DISP_E_OVERFLOW, 1, -1},
        {"flag as kind", Str("*"), Bool(true), DISP_E_EXCEPTION, 99, 0},  // -1 is no kind
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LONG count = -1;
        EXPECT_EQ(c.hr, Call("GetPartitionItemsCount", {Str("Resistors"), c.filter, c.kind, Ref(VT_I4, &count)}));
        EXPECT_EQ(c.argErr, argErr);
        EXPECT_EQ(c.count, count);
    }
    for (const auto& [onlyNames, names] : {std::pair{Bool(true), true}, {I4(1), true}, {I2(-1), true},
                                           {Str("True"), true}, {I4(0), false}, {Str("false"), false}}) {
        SAFEARRAY* partitions = nullptr;
        ASSERT_EQ(S_OK, Call("GetPartitionList_DefaultSearchScheme",
                             {I4(3), onlyNames, Bool(true), Ref(VT_ARRAY | VT_BSTR, &partitions)}));
        AutoSafeArray owned(partitions);
        SafeArrayDataLock lock(partitions);
        EXPECT_EQ(names, platform::BstrToAnsi(lock.data<BSTR>()[0]) == "Resistors");  // bare names, not paths
    }
    EXPECT_EQ(DISP_E_TYPEMISMATCH,
              Call("GetPartitionList_DefaultSearchScheme", {I4(3), Str("maybe"), Bool(true), Var(VT_EMPTY)}));
    EXPECT_EQ(2u, argErr);
}

#if defined(_WIN32)
// Random inputs for a kind and an item name, converted by Invoke and by the
// system's VariantChangeType: the same outcome (the value reaches the method,
// or the same refusal). Reproducible from the seed.
TEST_F(Dispatch, ConversionsAgreeWithVariantChangeType) {
    Open();
    const unsigned seed = 14;
    std::mt19937 random(seed);
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    const VARTYPE types[] = {VT_EMPTY, VT_NULL, VT_I1, VT_UI1, VT_I2, VT_UI2, VT_I4, VT_UI4,
                             VT_I8,    VT_UI8,  VT_INT, VT_UINT, VT_BOOL, VT_BSTR};
    const char* const words[] = {"3", " 2 ", "-1", "+7", "x", "", "99999999999", "2147483648", "DIP14", "True"};
    for (int i = 0; i < 400; ++i) {
        VARIANT value = Var(types[random() % std::size(types)]);
        value.llVal = static_cast<LONGLONG>(random()) - (1LL << 31) + (random() % 2 ? 0 : static_cast<LONGLONG>(random() % 8));
        if (random() % 2) value.llVal %= 5;
        if (value.vt == VT_BOOL) value.boolVal = random() % 2 ? VARIANT_TRUE : VARIANT_FALSE;
        if (value.vt == VT_BSTR) value = Str(words[random() % std::size(words)]);
        SCOPED_TRACE(::testing::Message() << "case " << i << ": vt " << value.vt);
        VARIANT number = Var(VT_EMPTY);
        const HRESULT toNumber = VariantChangeType(&number, &value, 0, VT_I4);
        LONG count = -1;
        const HRESULT hr = Call("GetPartitionItemsCount", {Str("Resistors"), Str("*"), value, Ref(VT_I4, &count)});
        if (FAILED(toNumber)) {
            EXPECT_EQ(toNumber, hr);
            EXPECT_EQ(1u, argErr);
        } else if (number.lVal == 3) {
            EXPECT_EQ(S_OK, hr);
            EXPECT_EQ(2, count);
        } else {
            EXPECT_EQ(DISP_E_EXCEPTION, hr) << number.lVal << " from " << value.llVal;
            const char* kinds[] = {"(logic symbols)", "(cells)"};
            const std::string kind = number.lVal == 1 || number.lVal == 2 ? kinds[number.lVal - 1]
                                                                           : "(object kind " + std::to_string(number.lVal) + ")";
            EXPECT_NE(std::string::npos, Description().find(kind)) << Description();
        }
        VARIANT text = Var(VT_EMPTY);
        const HRESULT toText = VariantChangeType(&text, &value, 0, VT_BSTR);
        BSTR partition = nullptr;
        const HRESULT found = Call("FindItemPartition", {value, I4(2), Ref(VT_BSTR, &partition)});
        const std::string item = SUCCEEDED(toText) ? platform::BstrToAnsi(text.bstrVal) : "";
        if (FAILED(toText)) {
            EXPECT_EQ(toText, found);
            EXPECT_EQ(2u, argErr);
        } else if (item == "DIP14") {
            EXPECT_EQ(S_OK, found);
        } else if (!item.empty()) {
            EXPECT_NE(std::string::npos, Description().find("item \"" + item + "\"")) << Description();
        }
        SysFreeString(partition);
        VariantClear(&text);
    }
}
#endif

TEST_F(Dispatch, OutParametersTakeTheirTypeOrAVariantOnly) {
    Open();
    SHORT shortCount = 0;
    BSTR text = nullptr;
    for (VARIANT out : {Str("by value"), Ref(VT_I2, &shortCount), Ref(VT_BSTR, &text), Var(VT_EMPTY)}) {
        EXPECT_EQ(DISP_E_TYPEMISMATCH, Call("GetPartitionItemsCount", {Str("Resistors"), Str("*"), I4(3), out}));
        EXPECT_EQ(0u, argErr);
    }
    VARIANT items = Var(VT_EMPTY);  // an empty list is an empty array
    EXPECT_EQ(S_OK, Call("GetPartitionItems", {Str("Resistors"), Str("NOPE*"), I4(3), Ref(VT_VARIANT, &items)}));
    EXPECT_EQ(VT_ARRAY | VT_VARIANT, items.vt);
    EXPECT_EQ(0u, items.parray->rgsabound[0].cElements);
    VariantClear(&items);
    ComPtr<IRecordInfo> cellInfo;
    ASSERT_EQ(S_OK, GetRecordInfoFromGuids(LIBID_KelmAPI, 1, 0, 0x409, GUID_KelmStruct_Cell, cellInfo.Out()));
    KelmStruct_Cell cell{};
    VARIANT record = Var(VT_RECORD);
    record.pRecInfo = cellInfo.get();
    record.pvRecord = &cell;
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Call("AddItemToQVM_Part", {Str("Resistors"), record, Bool(true)}));
    EXPECT_EQ(1u, argErr);
    // A null reference reaches the method, which refuses it.
    EXPECT_EQ(DISP_E_EXCEPTION,
              Call("GetPartitionItemsCount", {Str("Resistors"), Str("*"), I4(3), Ref(VT_VARIANT, nullptr)}));
    EXPECT_EQ(E_POINTER, error.scode);
}

TEST_F(Dispatch, NamesAndCallShapes) {
    const auto wide = [](const char* text) { return std::basic_string<OLECHAR>(text, text + std::strlen(text)); };
    auto method = wide("getpartitionitemscount"), kind = wide("I_ELIBOBJTYPE"), unknown = wide("NoSuch");
    LPOLESTR names[] = {method.data(), kind.data(), unknown.data()};
    DISPID ids[3] = {};
    EXPECT_EQ(DISP_E_UNKNOWNNAME, kelm->GetIDsOfNames(IID_NULL, names, 3, 0, ids));
    EXPECT_EQ(124, ids[0]);
    EXPECT_EQ(2, ids[1]);  // a parameter's position
    EXPECT_EQ(DISPID_UNKNOWN, ids[2]);
    names[0] = unknown.data();
    EXPECT_EQ(DISP_E_UNKNOWNNAME, kelm->GetIDsOfNames(IID_NULL, names, 1, 0, ids));
    EXPECT_EQ(DISP_E_UNKNOWNINTERFACE, kelm->GetIDsOfNames(IID_IKelm, names, 1, 0, ids));
    VARIANT arg = I4(1);
    DISPID named = 0;
    DISPPARAMS none{nullptr, nullptr, 0, 0}, one{&arg, nullptr, 1, 0}, withName{&arg, &named, 1, 1},
        missing{nullptr, nullptr, 4, 0};
    struct Case { DISPID id; const IID* iid; WORD flags; DISPPARAMS* params; HRESULT hr; };
    const Case cases[] = {
        {3, &IID_NULL, DISPATCH_METHOD, &none, DISP_E_MEMBERNOTFOUND},
        {2, &IID_NULL, DISPATCH_PROPERTYGET, &none, DISP_E_MEMBERNOTFOUND},
        {2, &IID_NULL, DISPATCH_METHOD, &one, DISP_E_BADPARAMCOUNT},
        {110, &IID_NULL, DISPATCH_METHOD, &withName, DISP_E_BADPARAMCOUNT},
        {110, &IID_IKelm, DISPATCH_METHOD, &none, DISP_E_UNKNOWNINTERFACE},
        {110, &IID_NULL, DISPATCH_METHOD, nullptr, E_INVALIDARG},
        {124, &IID_NULL, DISPATCH_METHOD, &missing, E_INVALIDARG},
        {2, &IID_NULL, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &none, S_OK},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.hr, kelm->Invoke(c.id, *c.iid, 0, c.flags, c.params, nullptr, nullptr, nullptr)) << c.id;
    }
    // Named arguments: identifiers are parameter positions; each given once,
    // after the positional ones.
    Open();
    LONG items = -1;
    VARIANT args[] = {Ref(VT_I4, &items), I4(3), Str("*"), Str("Resistors")};  // last first
    struct Named { std::vector<DISPID> ids; HRESULT hr; };
    for (const Named& c : {Named{{3, 2}, S_OK}, Named{{2, 3}, DISP_E_TYPEMISMATCH}, Named{{3, 3}, DISP_E_PARAMNOTFOUND},
                           Named{{3, 1}, DISP_E_PARAMNOTFOUND}, Named{{3, 4}, DISP_E_PARAMNOTFOUND}}) {
        std::vector<DISPID> namedIds = c.ids;
        DISPPARAMS params{args, namedIds.data(), 4, 2};
        EXPECT_EQ(c.hr, kelm->Invoke(124, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr));
    }
    EXPECT_EQ(2, items);
    UINT count = 9;
    EXPECT_EQ(S_OK, kelm->GetTypeInfoCount(&count));
    EXPECT_EQ(E_POINTER, kelm->GetTypeInfoCount(nullptr));
    EXPECT_EQ(E_POINTER, kelm->GetTypeInfo(0, 0, nullptr));
#if defined(_WIN32)
    EXPECT_EQ(1u, count);  // the registered type library, for early binding
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(S_OK, kelm->GetTypeInfo(0, 0, info.Out()));
#else
    EXPECT_EQ(0u, count);
    ITypeInfo* info = nullptr;
    EXPECT_EQ(E_NOTIMPL, kelm->GetTypeInfo(0, 0, &info));
#endif
}

}  // namespace
}  // namespace kelm

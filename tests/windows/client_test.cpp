// A C++ client of the registered KelmAPI.dll: objects made through COM by
// ProgID, every IKelm method called through the vtable and through
// IDispatch on a copy of the example library, aggregation, refused
// interfaces and DllCanUnloadNow.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <variant>
#include <vector>

#include "api/DispatchTable.h"
#include "platform/CodePage.h"
#include "support/TempFolder.h"
#include "util/AutoTypes.h"

namespace kelm {
namespace {

struct ComApartment : ::testing::Environment {
    void SetUp() override { ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)); }
    void TearDown() override { CoUninitialize(); }
};
[[maybe_unused]] ::testing::Environment* const kApartment = ::testing::AddGlobalTestEnvironment(new ComApartment);

// DllCanUnloadNow of the KelmAPI.dll that COM loaded into this process.
HRESULT CanUnloadNow() {
    HMODULE module = GetModuleHandleW(L"KelmAPI.dll");
    if (module == nullptr) return E_UNEXPECTED;
    auto entry = reinterpret_cast<HRESULT(WINAPI*)()>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "DllCanUnloadNow")));
    return entry ? entry() : E_UNEXPECTED;
}

ComPtr<IKelm> Create(const wchar_t* progId) {
    CLSID clsid{};
    EXPECT_EQ(S_OK, CLSIDFromProgID(progId, &clsid));
    EXPECT_TRUE(IsEqualCLSID(CLSID_Kelm, clsid));
    ComPtr<IKelm> kelm;
    EXPECT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IKelm, kelm.OutVoid()));
    return kelm;
}

ComPtr<IRecordInfo> RecordInfo(const GUID& record) {
    ComPtr<IRecordInfo> info;
    EXPECT_EQ(S_OK, GetRecordInfoFromGuids(LIBID_KelmAPI, 1, 0, 0x409, record, info.Out()));
    return info;
}

AutoBstr Bstr(const std::string& text) { return AutoBstr(platform::AnsiToBstr(text)); }

AutoSafeArray StringArray(const std::vector<std::string>& items) {
    AutoSafeArray array(SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(items.size())));
    for (LONG i = 0; i < static_cast<LONG>(items.size()); ++i) {
        AutoBstr item = Bstr(items[static_cast<std::size_t>(i)]);
        SafeArrayPutElement(array.get(), &i, item.get());  // copies the string
    }
    return array;
}

// The out-parameter slots of one call; both ways of calling fill the same.
struct Outs {
    AutoBstr text;
    long number = -77;
    VARIANT_BOOL flag = 5;
    AutoSafeArray strings;

    // The out-parameter of a method of this out type, as text.
    std::string Render(VARTYPE type) const {
        switch (type) {
        case VT_BYREF | VT_BSTR: return platform::BstrToAnsi(text.get());
        case VT_BYREF | VT_I4: return std::to_string(number);
        case VT_BYREF | VT_BOOL: return flag == VARIANT_TRUE ? "true" : flag == VARIANT_FALSE ? "false" : "untouched";
        case VT_BYREF | VT_ARRAY | VT_BSTR: {
            if (strings.get() == nullptr) return "";
            std::string joined;
            SafeArrayDataLock lock(strings.get());
            for (ULONG i = 0; i < strings.get()->rgsabound[0].cElements; ++i)
                joined += (i ? "|" : "") + platform::BstrToAnsi(lock.data<BSTR>()[i]);
            return joined;
        }
        default: return "";
        }
    }
};

// Input arguments, in the order of the method's inputs.
using In = std::variant<std::string, KelmEnum_ObjType, VARIANT_BOOL, KelmStruct_Cell*, KelmStruct_PartType*>;
struct Call {
    const char* method;
    std::vector<In> in;
    HRESULT status;
    std::string out;  // the out-parameter rendered, empty for methods without one
};

// The inputs as VARIANTs that own nothing (the caller keeps strings and records).
struct Inputs {
    std::vector<AutoBstr> strings;
    std::vector<VARIANT> values;
};

BSTR S(const VARIANT& v) { return V_BSTR(&v); }
KelmEnum_ObjType K(const VARIANT& v) { return static_cast<KelmEnum_ObjType>(V_I4(&v)); }
VARIANT_BOOL F(const VARIANT& v) { return V_BOOL(&v); }
template <typename T> T* R(const VARIANT& v) { return static_cast<T*>(V_RECORD(&v)); }

using VtableCall = HRESULT (*)(IKelm*, const std::vector<VARIANT>&, Outs&);
using A = const std::vector<VARIANT>&;
const std::map<std::string, VtableCall> kVtable = {
    {"Kelmstore_Open", [](IKelm* k, A a, Outs&) { return k->Kelmstore_Open(S(a[0]), S(a[1]), F(a[2])); }},
    {"Kelmstore_Close", [](IKelm* k, A, Outs&) { return k->Kelmstore_Close(); }},
    {"RunCurator", [](IKelm* k, A a, Outs&) { return k->RunCurator(S(a[0]), S(a[1])); }},
    {"RefreshQVMTree", [](IKelm* k, A a, Outs&) { return k->RefreshQVMTree(S(a[0]), K(a[1])); }},
    {"ReloadQVM", [](IKelm* k, A, Outs&) { return k->ReloadQVM(); }},
    {"SaveQVM", [](IKelm* k, A, Outs&) { return k->SaveQVM(); }},
    {"ReservePartition", [](IKelm* k, A a, Outs&) { return k->ReservePartition(S(a[0]), K(a[1])); }},
    {"UnReservePartition", [](IKelm* k, A a, Outs&) { return k->UnReservePartition(S(a[0]), K(a[1])); }},
    {"GetSearchScheme_Default", [](IKelm* k, A, Outs& o) { return k->GetSearchScheme_Default(o.text.Out()); }},
    {"GetSearchScheme_All", [](IKelm* k, A, Outs& o) { return k->GetSearchScheme_All(o.strings.Out()); }},
    {"GetPartitionList_SearchScheme", [](IKelm* k, A a, Outs& o) {
         return k->GetPartitionList_SearchScheme(S(a[0]), K(a[1]), F(a[2]), F(a[3]), o.strings.Out()); }},
    {"GetPartitionList_DefaultSearchScheme", [](IKelm* k, A a, Outs& o) {
         return k->GetPartitionList_DefaultSearchScheme(K(a[0]), F(a[1]), F(a[2]), o.strings.Out()); }},
    {"GetPartitionItemsCount", [](IKelm* k, A a, Outs& o) {
         return k->GetPartitionItemsCount(S(a[0]), S(a[1]), K(a[2]), &o.number); }},
    {"GetPartitionItems", [](IKelm* k, A a, Outs& o) {
         return k->GetPartitionItems(S(a[0]), S(a[1]), K(a[2]), o.strings.Out()); }},
    {"FindItemPartition", [](IKelm* k, A a, Outs& o) { return k->FindItemPartition(S(a[0]), K(a[1]), o.text.Out()); }},
    {"DoesItemExist", [](IKelm* k, A a, Outs& o) {
         return k->DoesItemExist(S(a[0]), S(a[1]), S(a[2]), K(a[3]), &o.flag); }},
    {"GetPinCount", [](IKelm* k, A a, Outs& o) { return k->GetPinCount(S(a[0]), S(a[1]), K(a[2]), &o.number); }},
    {"GetPartsUsingThisCell", [](IKelm* k, A a, Outs& o) { return k->GetPartsUsingThisCell(S(a[0]), o.strings.Out()); }},
    {"GetPartitionsStoringThisCell", [](IKelm* k, A a, Outs& o) {
         return k->GetPartitionsStoringThisCell(S(a[0]), o.strings.Out()); }},
    {"AddPartition", [](IKelm* k, A a, Outs&) { return k->AddPartition(S(a[0]), K(a[1]), F(a[2])); }},
    {"DeletePartition", [](IKelm* k, A a, Outs&) { return k->DeletePartition(S(a[0]), K(a[1])); }},
    {"AddItemToQVM_Part", [](IKelm* k, A a, Outs&) {
         return k->AddItemToQVM_Part(S(a[0]), R<KelmStruct_PartType>(a[1]), F(a[2])); }},
    {"AddItemToQVM_Cell", [](IKelm* k, A a, Outs&) {
         return k->AddItemToQVM_Cell(S(a[0]), R<KelmStruct_Cell>(a[1]), F(a[2])); }},
    {"DeleteItemFromQVM", [](IKelm* k, A a, Outs& o) {
         return k->DeleteItemFromQVM(S(a[0]), S(a[1]), K(a[2]), &o.flag); }},
    {"CopyItemInQVM", [](IKelm* k, A a, Outs&) {
         return k->CopyItemInQVM(S(a[0]), S(a[1]), S(a[2]), S(a[3]), K(a[4]), F(a[5]), F(a[6])); }},
    {"CreateDefaultPadstack", [](IKelm* k, A a, Outs&) { return k->CreateDefaultPadstack(S(a[0]), S(a[1])); }},
    {"GetPartitionReservation", [](IKelm* k, A a, Outs& o) {
         return k->GetPartitionReservation(S(a[0]), K(a[1]), o.text.Out()); }},
};

// Late binding as a C++ automation client does it: the identifier by name,
// arguments in reverse order, outs by reference.
HRESULT CallByName(IDispatch* dispatch, const DispatchMethod& method, const std::vector<VARIANT>& in, Outs& outs) {
    std::wstring name(method.name, method.name + std::char_traits<char>::length(method.name));
    LPOLESTR names[] = {name.data()};
    DISPID id = 0;
    EXPECT_EQ(S_OK, dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
    EXPECT_EQ(method.id, id);
    std::vector<VARIANT> args;
    auto next = in.begin();
    for (const DispatchParam& param : method.params) {
        VARIANT arg;
        VariantInit(&arg);
        if (param.direction != ParamDirection::Out) {
            arg = *next++;
        } else {
            V_VT(&arg) = param.type;
            switch (param.type) {
            case VT_BYREF | VT_BSTR: V_BSTRREF(&arg) = outs.text.Out(); break;
            case VT_BYREF | VT_I4: V_I4REF(&arg) = &outs.number; break;
            case VT_BYREF | VT_BOOL: V_BOOLREF(&arg) = &outs.flag; break;
            default: V_ARRAYREF(&arg) = outs.strings.Out(); break;
            }
        }
        args.push_back(arg);
    }
    std::reverse(args.begin(), args.end());
    DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    EXCEPINFO error{};
    UINT badArg = 0;
    const HRESULT hr = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                                        &error, &badArg);
    SysFreeString(error.bstrSource);
    SysFreeString(error.bstrDescription);
    SysFreeString(error.bstrHelpFile);
    return hr == DISP_E_EXCEPTION ? error.scode : hr;  // a failed method comes back as an exception
}

// Wine's dispatcher (8.0) takes no record arguments: its ITypeInfo::Invoke
// answers E_NOTIMPL ("TKIND_RECORD unhandled"). There the import methods are
// called late bound, and then through the vtable to go on.
bool UnderWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
bool TakesRecord(const DispatchMethod& method) {
    return std::any_of(method.params.begin(), method.params.end(),
                       [](const DispatchParam& p) { return p.type == VT_RECORD; });
}

class Client : public ::testing::TestWithParam<bool> {  // true: through IDispatch
protected:
    void SetUp() override {
        std::filesystem::copy(std::filesystem::path(KELM_SOURCE_DIR) / "examples" / "library", folder.Root(),
                              std::filesystem::copy_options::recursive);
        SetEnvironmentVariableA("TQR_CURATOR_BIN", nullptr);  // no Curator: both launches fail at once
        SetEnvironmentVariableA("TQR_COMMON_BIN", nullptr);
        // QFN16's geometry is in Smd.cel; the part takes its pins from its one cell record.
        cell = {0, nullptr, nullptr, Bstr("QFN16").release(), StringArray({"1", "2"}).release()};
        part.m_sPartNumber = Bstr("P-QFN16").release();
        part.m_sPartName = Bstr("Quad flat").release();
        part.m_psarrCells = SafeArrayCreateVectorEx(VT_RECORD, 0, 1, cellInfo.get());
        ASSERT_NE(nullptr, part.m_psarrCells);
        SafeArrayDataLock cells(part.m_psarrCells);
        cells.data<KelmStruct_Cell>()[0] = {0, nullptr, nullptr, Bstr("QFN16").release(),
                                            StringArray({"1", "2", "3"}).release()};
    }
    void TearDown() override {
        partInfo->RecordClear(&part);
        cellInfo->RecordClear(&cell);
    }
    std::string File(const char* name) const { return (folder.Root() / name).string(); }

    Inputs Convert(const std::vector<In>& in) {
        Inputs out;
        for (const In& arg : in) {
            VARIANT v;
            VariantInit(&v);
            if (auto* text = std::get_if<std::string>(&arg)) {
                out.strings.push_back(Bstr(*text));
                V_VT(&v) = VT_BSTR;
                V_BSTR(&v) = out.strings.back().get();
            } else if (auto* kind = std::get_if<KelmEnum_ObjType>(&arg)) {
                V_VT(&v) = VT_I4;
                V_I4(&v) = *kind;
            } else if (auto* flag = std::get_if<VARIANT_BOOL>(&arg)) {
                V_VT(&v) = VT_BOOL;
                V_BOOL(&v) = *flag;
            } else {
                const bool isCell = std::holds_alternative<KelmStruct_Cell*>(arg);
                V_VT(&v) = VT_RECORD;
                V_RECORDINFO(&v) = isCell ? cellInfo.get() : partInfo.get();
                V_RECORD(&v) = isCell ? static_cast<void*>(std::get<KelmStruct_Cell*>(arg))
                                      : static_cast<void*>(std::get<KelmStruct_PartType*>(arg));
            }
            out.values.push_back(v);
        }
        return out;
    }

    testing::TempFolder folder;
    ComPtr<IRecordInfo> cellInfo = RecordInfo(GUID_KelmStruct_Cell);
    ComPtr<IRecordInfo> partInfo = RecordInfo(GUID_KelmStruct_PartType);
    KelmStruct_Cell cell{};
    KelmStruct_PartType part{};
};

constexpr KelmEnum_ObjType kSymbol = KelmEnum_ObjType_LogicSymbol, kCell = KelmEnum_ObjType_Cell,
                           kPart = KelmEnum_ObjType_PartType;
constexpr VARIANT_BOOL T = VARIANT_TRUE, N = VARIANT_FALSE;

TEST_P(Client, EveryMethodOnTheExampleLibrary) {
    const bool late = GetParam();
    ComPtr<IKelm> kelm = Create(late ? L"KelmAPI.Kelm" : L"KelmAPI.Kelm.1");
    ASSERT_TRUE(kelm);
    const std::vector<Call> calls = {
        {"Kelmstore_Open", {File("Demo.txt"), "alice", N}, E_INVALIDARG, ""},
        {"Kelmstore_Open", {File("Missing.qvm"), "alice", N}, E_FAIL, ""},
        {"GetSearchScheme_Default", {}, E_FAIL, ""},
        {"Kelmstore_Open", {File("Demo.qvm"), "alice", N}, S_OK, ""},
        {"GetSearchScheme_Default", {}, S_OK, "(Default)"},
        {"GetSearchScheme_All", {}, S_OK, "(Default)|Smd only"},
        {"GetPartitionList_SearchScheme", {"Smd only", kPart, T, T}, S_OK, "Resistors|Capacitors"},
        {"GetPartitionList_DefaultSearchScheme", {kPart, T, T}, S_OK, "Resistors|Capacitors|Logic"},
        {"GetPartitionItemsCount", {"Resistors", "*", kPart}, S_OK, "2"},
        {"GetPartitionItems", {"Gates", "*", kSymbol}, S_OK, "Gates:INV|Gates:NAND2"},
        {"FindItemPartition", {"DIP14", kCell}, S_OK, "Thru"},
        {"FindItemPartition", {"NOPE", kCell}, E_FAIL, ""},
        {"DoesItemExist", {"", "Thru", "DIP14", kCell}, S_OK, "false"},
        {"DoesItemExist", {"", "", "DIP14", kCell}, S_OK, "true"},
        {"GetPinCount", {"", "SN74HC00", kPart}, S_OK, "14"},
        {"GetPartsUsingThisCell", {"SOIC14"}, S_OK, "SN74HC00|SN74HC04"},
        {"GetPartitionsStoringThisCell", {"SOIC14"}, S_OK, "Smd"},
        {"RunCurator", {File("Demo.qvm"), "verify"}, E_FAIL, ""},
        {"RefreshQVMTree", {"Smd", kCell}, E_FAIL, ""},
        {"ReservePartition", {"Smd", kCell}, S_OK, ""},
        {"GetPartitionReservation", {"Smd", kCell}, S_OK, "alice"},
        {"AddItemToQVM_Cell", {"Smd", &cell, T}, S_OK, ""},
        {"GetPinCount", {"Smd", "QFN16", kCell}, S_OK, "17"},
        {"AddPartition", {"Extra", kPart, T}, S_OK, ""},
        {"AddPartition", {"extra", kPart, T}, late ? S_OK : S_FALSE, ""},  // S_FALSE is no error to late binding
        {"ReservePartition", {"Extra", kPart}, S_OK, ""},
        {"AddItemToQVM_Part", {"Extra", &part, N}, S_OK, ""},
        {"GetPinCount", {"Extra", "P-QFN16", kPart}, S_OK, "3"},
        {"CopyItemInQVM", {"Resistors", "R-0603-10K", "Extra", "R-COPY", kPart, N, N}, S_OK, ""},
        {"GetPartitionItems", {"Extra", "*", kPart}, S_OK, "P-QFN16|R-COPY"},
        {"DeleteItemFromQVM", {"Extra", "R-COPY", kPart}, S_OK, "false"},
        {"DeleteItemFromQVM", {"Extra", "R-COPY", kPart}, static_cast<HRESULT>(0x80040005), "true"},
        {"CreateDefaultPadstack", {"pad-new", File("Demo.pads")}, S_OK, ""},
        {"UnReservePartition", {"Smd", kCell}, S_OK, ""},
        {"GetPartitionReservation", {"Smd", kCell}, S_OK, ""},
        {"UnReservePartition", {"Extra", kPart}, S_OK, ""},
        {"DeletePartition", {"Extra", kPart}, S_OK, ""},
        {"DeletePartition", {"Extra", kPart}, late ? S_OK : S_FALSE, ""},
        {"SaveQVM", {}, S_OK, ""},
        {"ReloadQVM", {}, S_OK, ""},
        {"GetPartitionItemsCount", {"Smd", "QFN*", kCell}, S_OK, "1"},
        {"Kelmstore_Close", {}, S_OK, ""},
        {"SaveQVM", {}, E_FAIL, ""},
    };
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(S_OK, kelm->QueryInterface(IID_IDispatch, dispatch.OutVoid()));
    std::vector<std::string> called;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const Call& call = calls[i];
        SCOPED_TRACE(::testing::Message() << "call " << i << ": " << call.method);
        const DispatchMethod* method = FindDispatchMethod(std::u16string(call.method, call.method + std::strlen(call.method)));
        ASSERT_NE(nullptr, method);
        called.push_back(call.method);
        Inputs in = Convert(call.in);
        Outs outs;
        HRESULT hr = late ? CallByName(dispatch.get(), *method, in.values, outs)
                          : kVtable.at(call.method)(kelm.get(), in.values, outs);
        if (late && UnderWine() && TakesRecord(*method)) {
            EXPECT_EQ(E_NOTIMPL, hr);
            hr = kVtable.at(call.method)(kelm.get(), in.values, outs);
        }
        EXPECT_EQ(call.status, hr) << std::hex << hr;
        const auto out = std::find_if(method->params.begin(), method->params.end(),
                                      [](const DispatchParam& p) { return p.direction == ParamDirection::Out; });
        EXPECT_EQ(call.out, out == method->params.end() ? "" : outs.Render(out->type));
    }
    std::sort(called.begin(), called.end());
    called.erase(std::unique(called.begin(), called.end()), called.end());
    EXPECT_EQ(KelmDispatchTable().size(), called.size());  // every method
}

INSTANTIATE_TEST_SUITE_P(VtableAndDispatch, Client, ::testing::Values(false, true),
                         [](const auto& instance) { return instance.param ? "Dispatch" : "Vtable"; });

TEST(ClientObject, IdentityRefusalsAndTypeInfo) {
    ComPtr<IKelm> kelm = Create(L"KelmAPI.Kelm");
    ASSERT_TRUE(kelm);
    EXPECT_EQ(S_FALSE, CanUnloadNow());
    const IID random = {0x5EB1A7C4, 0x1D2E, 0x4F3A, {0x9B, 0x10, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}};
    for (const IID* iid : {&IID_ISupportErrorInfo, &IID_IMarshal, &IID_IClassFactory, &IID_IPersist, &random}) {
        void* refused = reinterpret_cast<void*>(1);
        EXPECT_EQ(E_NOINTERFACE, kelm->QueryInterface(*iid, &refused));
        EXPECT_EQ(nullptr, refused);
    }
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(S_OK, kelm->QueryInterface(IID_IDispatch, dispatch.OutVoid()));
    UINT count = 0;
    EXPECT_EQ(S_OK, dispatch->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count);
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(S_OK, dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.Out()));
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
    EXPECT_TRUE(IsEqualIID(IID_IKelm, attr->guid));
    info->ReleaseTypeAttr(attr);
    std::wstring unknown = L"NoSuchMethod", mixedCase = L"savEQvm";
    LPOLESTR names[] = {unknown.data()};
    DISPID id = 0;
    EXPECT_EQ(DISP_E_UNKNOWNNAME, dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
    names[0] = mixedCase.data();
    EXPECT_EQ(S_OK, dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
    EXPECT_EQ(111, id);
    dispatch.reset();
    kelm.reset();
    EXPECT_EQ(S_OK, CanUnloadNow());
}

// An outer object that aggregates a Kelm object and counts its own references.
struct Outer final : IUnknown {
    ULONG refs = 1;
    IUnknown* inner = nullptr;
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!IsEqualIID(riid, IID_IUnknown)) return inner->QueryInterface(riid, ppv);
        *ppv = this;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
};

TEST(ClientObject, AggregatedThroughCoCreateInstance) {
    Outer outer;
    void* refused = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_NOAGGREGATION, CoCreateInstance(CLSID_Kelm, &outer, CLSCTX_INPROC_SERVER, IID_IKelm, &refused));
    EXPECT_EQ(nullptr, refused);
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_Kelm, &outer, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                     reinterpret_cast<void**>(&outer.inner)));
    EXPECT_EQ(1u, outer.refs);
    IUnknown* self = nullptr;  // the non-delegating unknown answers for itself
    ASSERT_EQ(S_OK, outer.inner->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&self)));
    EXPECT_EQ(outer.inner, self);
    self->Release();

    IKelm* kelm = nullptr;
    ASSERT_EQ(S_OK, outer.QueryInterface(IID_IKelm, reinterpret_cast<void**>(&kelm)));
    EXPECT_EQ(2u, outer.refs);  // counted on the outer object
    IUnknown* identity = nullptr;
    ASSERT_EQ(S_OK, kelm->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)));
    EXPECT_EQ(&outer, identity);  // delegating: the outer identity
    EXPECT_EQ(4u, kelm->AddRef());
    EXPECT_EQ(3u, kelm->Release());
    EXPECT_EQ(S_OK, kelm->Kelmstore_Close());
    identity->Release();
    kelm->Release();
    EXPECT_EQ(1u, outer.refs);
    EXPECT_EQ(S_FALSE, CanUnloadNow());
    EXPECT_EQ(0u, outer.inner->Release());  // the non-delegating release ends the inner object
    EXPECT_EQ(S_OK, CanUnloadNow());
}

}  // namespace
}  // namespace kelm

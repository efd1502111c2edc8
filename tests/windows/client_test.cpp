// A C++ client of the registered KelmAPI.dll: objects made through COM by
// ProgID, every IKelm method called late bound on a copy of the example
// library (through our Invoke with typed and VARIANT out-parameters, and
// through the system's dispatcher and the vtable), aggregation, refused
// interfaces and DllCanUnloadNow.
#include <gtest/gtest.h>

#include <filesystem>

#include "api/DispatchTable.h"
#include "support/LateBinding.h"
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
    auto entry =
        reinterpret_cast<HRESULT(WINAPI*)()>(reinterpret_cast<void (*)()>(GetProcAddress(module, "DllCanUnloadNow")));
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

// How a late-bound call reaches the object.
enum class Route {
    Typed,     // our Invoke, out-parameters as typed references
    Variant,   // our Invoke, out-parameters as references to VARIANTs (VBScript)
    Standard,  // the system's dispatcher on the registered type library, through the vtable
};

class Client : public ::testing::TestWithParam<Route> {
protected:
    void SetUp() override {
        std::filesystem::copy(std::filesystem::path(KELM_SOURCE_DIR) / "examples" / "library", folder.Root(),
                              std::filesystem::copy_options::recursive);
        SetEnvironmentVariableA("TQR_CURATOR_BIN", nullptr);  // no Curator: both launches fail at once
        SetEnvironmentVariableA("TQR_COMMON_BIN", nullptr);
    }
    testing::TempFolder folder;
};

// Every call that the system's dispatcher accepts behaves the same through
// ours; Wine's dispatcher (8.0) takes no record arguments (E_NOTIMPL), so
// there the imports go through ours.
TEST_P(Client, EveryMethodOnTheExampleLibrary) {
    ComPtr<IKelm> kelm = Create(L"KelmAPI.Kelm");
    ASSERT_TRUE(kelm);
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(S_OK, kelm->QueryInterface(IID_IDispatch, dispatch.OutVoid()));
    const testing::Invoker ours = testing::ThroughInvoke(dispatch.get());
    if (GetParam() != Route::Standard) {
        testing::ExpectEveryMethodLateBound(
            ours, folder.Path(), GetParam() == Route::Typed ? testing::OutStyle::Typed : testing::OutStyle::Variant);
        return;
    }
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(S_OK, dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.Out()));
    const testing::Invoker standard = [&](const DispatchMethod& method, DISPPARAMS& params, EXCEPINFO& error,
                                          UINT& argErr) {
        const HRESULT hr =
            DispInvoke(kelm.get(), info.get(), method.id, DISPATCH_METHOD, &params, nullptr, &error, &argErr);
        return hr == E_NOTIMPL ? ours(method, params, error, argErr) : hr;
    };
    testing::ExpectEveryMethodLateBound(standard, folder.Path(), testing::OutStyle::Typed, false);
}

INSTANTIATE_TEST_SUITE_P(Routes, Client, ::testing::Values(Route::Typed, Route::Variant, Route::Standard),
                         [](const auto& route) {
                             return route.param == Route::Typed     ? "Typed"
                                    : route.param == Route::Variant ? "Variant"
                                                                    : "Standard";
                         });

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

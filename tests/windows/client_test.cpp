// A C++ client of the registered KelmAPI.dll by ProgID: every method through the system's
// dispatcher on the registered type library, the interfaces it refuses, DllCanUnloadNow.
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

ComPtr<IKelm> Create() {
    CLSID clsid{};
    EXPECT_EQ(S_OK, CLSIDFromProgID(L"KelmAPI.Kelm", &clsid));
    EXPECT_TRUE(IsEqualCLSID(CLSID_Kelm, clsid));
    ComPtr<IKelm> kelm;
    EXPECT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IKelm, kelm.OutVoid()));
    return kelm;
}

// Every call that the system's dispatcher accepts behaves as through ours;
// Wine's dispatcher (8.0) takes no record arguments (E_NOTIMPL), so there
// the imports go through ours.
TEST(Client, EveryMethodThroughTheSystemsDispatcher) {
    testing::TempFolder folder;
    testing::CopyTree(std::filesystem::path(KELM_SOURCE_DIR) / "examples" / "library", folder.Root());
    SetEnvironmentVariableA("TQR_CURATOR_BIN", nullptr);  // no Curator: both launches fail at once
    SetEnvironmentVariableA("TQR_COMMON_BIN", nullptr);
    ComPtr<IKelm> kelm = Create();
    ASSERT_TRUE(kelm);
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(S_OK, kelm->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.Out()));
    const testing::Invoker ours = testing::ThroughInvoke(kelm.get());
    const testing::Invoker standard = [&](const DispatchMethod& method, DISPPARAMS& params, EXCEPINFO& error,
                                          UINT& argErr) {
        const HRESULT hr =
            DispInvoke(kelm.get(), info.get(), method.id, DISPATCH_METHOD, &params, nullptr, &error, &argErr);
        return hr == E_NOTIMPL ? ours(method, params, error, argErr) : hr;
    };
    testing::ExpectEveryMethodLateBound(standard, folder.Path(), testing::OutStyle::Typed);
}

// No error-info interface: callers take the words from EXCEPINFO, not from
// an IErrorInfo that this object never sets.
TEST(Client, RefusesOtherInterfacesAndUnloadsWhenReleased) {
    ComPtr<IKelm> kelm = Create();
    ASSERT_TRUE(kelm);
    for (const IID* iid : {&IID_ISupportErrorInfo, &IID_IMarshal, &IID_IPersist}) {
        void* refused = reinterpret_cast<void*>(1);
        EXPECT_EQ(E_NOINTERFACE, kelm->QueryInterface(*iid, &refused));
        EXPECT_EQ(nullptr, refused);
    }
    HMODULE module = GetModuleHandleW(L"KelmAPI.dll");
    ASSERT_NE(nullptr, module);
    auto canUnloadNow =
        reinterpret_cast<HRESULT(WINAPI*)()>(reinterpret_cast<void (*)()>(GetProcAddress(module, "DllCanUnloadNow")));
    ASSERT_NE(nullptr, canUnloadNow);
    EXPECT_EQ(S_FALSE, canUnloadNow());
    kelm.reset();
    EXPECT_EQ(S_OK, canUnloadNow());
}

}  // namespace
}  // namespace kelm

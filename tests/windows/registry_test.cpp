// The registry after regsvr32 KelmAPI.dll (Registered.*) and after
// regsvr32 /u KelmAPI.dll (Unregistered.*), read back from HKCR.
#include <gtest/gtest.h>

#include <string>

#include "kelmapi/kelmapi.h"

namespace {

std::wstring W(const char* text) { return std::wstring(text, text + strlen(text)); }

const std::wstring kClsid = W(KELMAPI_CLSID_STRING);
const std::wstring kAppId = W(KELMAPI_APPID_STRING);
const std::wstring kLibId = W(KELMAPI_LIBID_STRING);
const std::wstring kClassKey = L"CLSID\\" + kClsid;

bool Exists(const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::wstring Value(const std::wstring& path, const wchar_t* name = nullptr) {
    wchar_t data[1024] = {};
    DWORD size = sizeof(data);
    if (RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
        return L"<none>";
    return data;
}

std::wstring Lower(std::wstring text) {
    for (auto& c : text) c = static_cast<wchar_t>(towlower(c));
    return text;
}

TEST(Registered, ApplicationIdentifier) {
    EXPECT_EQ(L"KelmAPI", Value(L"AppID\\" + kAppId));
    EXPECT_EQ(kAppId, Value(L"AppID\\KelmAPI.DLL", L"AppID"));
}

TEST(Registered, ProgIds) {
    EXPECT_EQ(L"Kelm Class", Value(L"KelmAPI.Kelm.1"));
    EXPECT_EQ(kClsid, Value(L"KelmAPI.Kelm.1\\CLSID"));
    EXPECT_EQ(L"Kelm Class", Value(L"KelmAPI.Kelm"));
    EXPECT_EQ(kClsid, Value(L"KelmAPI.Kelm\\CLSID"));
    EXPECT_EQ(L"KelmAPI.Kelm.1", Value(L"KelmAPI.Kelm\\CurVer"));
    CLSID clsid{};
    ASSERT_EQ(S_OK, CLSIDFromProgID(L"KelmAPI.Kelm", &clsid));
    EXPECT_TRUE(IsEqualCLSID(CLSID_Kelm, clsid));
}

TEST(Registered, ClassKey) {
    EXPECT_EQ(L"Kelm Class", Value(kClassKey));
    EXPECT_EQ(kAppId, Value(kClassKey, L"AppID"));
    EXPECT_EQ(L"KelmAPI.Kelm.1", Value(kClassKey + L"\\ProgID"));
    EXPECT_EQ(L"KelmAPI.Kelm", Value(kClassKey + L"\\VersionIndependentProgID"));
    EXPECT_TRUE(Exists(kClassKey + L"\\Programmable"));
    EXPECT_EQ(kLibId, Value(kClassKey + L"\\TypeLib"));
    EXPECT_EQ(L"Apartment", Value(kClassKey + L"\\InprocServer32", L"ThreadingModel"));
    const std::wstring module = Value(kClassKey + L"\\InprocServer32");
    ASSERT_GE(module.size(), 11u);
    EXPECT_EQ(L"kelmapi.dll", Lower(module.substr(module.size() - 11)));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(module.c_str())) << "the full path of the module";
}

TEST(Registered, TypeLibrary) {
    EXPECT_TRUE(Exists(L"TypeLib\\" + kLibId + L"\\1.0"));
    EXPECT_EQ(L"KelmAPI 1.0 Type Library", Value(L"TypeLib\\" + kLibId + L"\\1.0"));
    EXPECT_EQ(L"IKelm", Value(L"Interface\\" + W(KELMAPI_IID_STRING)));
    ITypeLib* lib = nullptr;
    ASSERT_EQ(S_OK, LoadRegTypeLib(LIBID_KelmAPI, 1, 0, 0x409, &lib));
    lib->Release();
}

TEST(Unregistered, RemovesTheModulesKeysAndKeepsTheSharedOnes) {
    EXPECT_FALSE(Exists(L"AppID\\" + kAppId));
    EXPECT_FALSE(Exists(L"AppID\\KelmAPI.DLL"));
    EXPECT_FALSE(Exists(L"KelmAPI.Kelm.1"));
    EXPECT_FALSE(Exists(L"KelmAPI.Kelm"));
    EXPECT_FALSE(Exists(kClassKey));
    EXPECT_FALSE(Exists(L"TypeLib\\" + kLibId + L"\\1.0"));
    EXPECT_TRUE(Exists(L"AppID"));   // NoRemove
    EXPECT_TRUE(Exists(L"CLSID"));   // NoRemove
    ITypeLib* lib = nullptr;
    EXPECT_TRUE(FAILED(LoadRegTypeLib(LIBID_KelmAPI, 1, 0, 0x409, &lib)));
}

}  // namespace

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

TEST(Registered, KeysAndValues) {
    const struct {
        std::wstring path;
        const wchar_t* name;  // null: the default value
        std::wstring value;
    } expected[] = {
        {L"AppID\\" + kAppId, nullptr, L"KelmAPI"},
        {L"AppID\\KelmAPI.DLL", L"AppID", kAppId},
        {L"KelmAPI.Kelm.1", nullptr, L"Kelm Class"},
        {L"KelmAPI.Kelm.1\\CLSID", nullptr, kClsid},
        {L"KelmAPI.Kelm", nullptr, L"Kelm Class"},
        {L"KelmAPI.Kelm\\CLSID", nullptr, kClsid},
        {L"KelmAPI.Kelm\\CurVer", nullptr, L"KelmAPI.Kelm.1"},
        {kClassKey, nullptr, L"Kelm Class"},
        {kClassKey, L"AppID", kAppId},
        {kClassKey + L"\\ProgID", nullptr, L"KelmAPI.Kelm.1"},
        {kClassKey + L"\\VersionIndependentProgID", nullptr, L"KelmAPI.Kelm"},
        {kClassKey + L"\\TypeLib", nullptr, kLibId},
        {kClassKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {L"TypeLib\\" + kLibId + L"\\1.0", nullptr, L"KelmAPI 1.0 Type Library"},
        {L"Interface\\" + W(KELMAPI_IID_STRING), nullptr, L"IKelm"},
    };
    for (const auto& entry : expected) EXPECT_EQ(entry.value, Value(entry.path, entry.name)) << entry.path;
    EXPECT_TRUE(Exists(kClassKey + L"\\Programmable"));
    const std::wstring module = Value(kClassKey + L"\\InprocServer32");
    ASSERT_GE(module.size(), 11u);
    EXPECT_EQ(0, _wcsicmp(L"kelmapi.dll", module.c_str() + module.size() - 11)) << module;
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(module.c_str())) << "the full path of the module";
}

TEST(Unregistered, RemovesTheModulesKeysAndKeepsTheSharedOnes) {
    for (const std::wstring& removed : {L"AppID\\" + kAppId, std::wstring(L"AppID\\KelmAPI.DLL"),
                                        std::wstring(L"KelmAPI.Kelm.1"), std::wstring(L"KelmAPI.Kelm"), kClassKey,
                                        L"TypeLib\\" + kLibId + L"\\1.0"})
        EXPECT_FALSE(Exists(removed)) << removed;
    EXPECT_TRUE(Exists(L"AppID"));   // NoRemove
    EXPECT_TRUE(Exists(L"CLSID"));   // NoRemove
    ITypeLib* lib = nullptr;
    EXPECT_TRUE(FAILED(LoadRegTypeLib(LIBID_KelmAPI, 1, 0, 0x409, &lib)));
}

}  // namespace

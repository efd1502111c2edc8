// The registrar against a scratch key under HKCU standing in for HKCR:
// parsing, NoRemove and ForceRemove in both modes, and its failure statuses.
#include <gtest/gtest.h>

#include <string>

#include "Registrar.h"

namespace {

using namespace kelm::win;

const wchar_t kScratch[] = L"Software\\KelmRegistrarTest";

class Registrar : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                                 &root, nullptr));
    }
    void TearDown() override {
        RegCloseKey(root);
        RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
        RegDeleteKeyW(HKEY_CURRENT_USER, kScratch);
    }
    HRESULT Run(const wchar_t* script, RegistryMode mode) {
        std::vector<RegistryRoot> roots;
        const HRESULT hr = ParseRegistryScript(script, {{L"MODULE", L"C:\\x\\KelmAPI.dll"}, {L"APPID", L"{id}"}}, roots);
        if (FAILED(hr)) return hr;
        return ApplyRegistryScript(roots, mode, root);
    }
    bool Exists(const wchar_t* path) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        RegCloseKey(key);
        return true;
    }
    std::wstring Value(const wchar_t* path, const wchar_t* name = nullptr) {
        wchar_t data[512] = {};
        DWORD size = sizeof(data);
        if (RegGetValueW(root, path, name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS) return L"<none>";
        return data;
    }
    void Create(const wchar_t* path) {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
        RegCloseKey(key);
    }
    HKEY root = nullptr;
};

const wchar_t kScript[] =
    L"HKCR\n{\n"
    L"  Prog.Id = s 'Kelm Class'\n  {\n    CLSID = s '{guid}'\n  }\n"
    L"  NoRemove Shared\n  {\n"
    L"    ForceRemove {guid} = s 'It''s 100%% %APPID%'\n    {\n"
    L"      InprocServer32 = s '%MODULE%'\n      {\n        val ThreadingModel = s 'Apartment'\n      }\n"
    L"      ForceRemove 'Programmable'\n"
    L"      val Count = d '7'\n"
    L"    }\n"
    L"    Plain\n    {\n      val Mark = s 'x'\n    }\n"
    L"  }\n}\n";

// Register writes keys, values and replacements, clearing a ForceRemove key's
// old subtree; unregister (twice, or of what is not there) removes what the
// script wrote and keeps NoRemove keys and keys that are not its own.
TEST_F(Registrar, RegisterAndUnregister) {
    EXPECT_EQ(S_OK, Run(kScript, RegistryMode::Unregister));
    Create(L"Shared\\{guid}\\Stale\\Deep");
    Create(L"Shared\\Plain\\Foreign");
    ASSERT_EQ(S_OK, Run(kScript, RegistryMode::Register));
    EXPECT_EQ(L"Kelm Class", Value(L"Prog.Id"));
    EXPECT_EQ(L"{guid}", Value(L"Prog.Id\\CLSID"));
    EXPECT_EQ(L"It's 100% {id}", Value(L"Shared\\{guid}"));
    EXPECT_EQ(L"C:\\x\\KelmAPI.dll", Value(L"Shared\\{guid}\\InprocServer32"));
    EXPECT_EQ(L"Apartment", Value(L"Shared\\{guid}\\InprocServer32", L"ThreadingModel"));
    EXPECT_TRUE(Exists(L"Shared\\{guid}\\Programmable"));
    DWORD count = 0, size = sizeof(count);
    EXPECT_EQ(ERROR_SUCCESS, RegGetValueW(root, L"Shared\\{guid}", L"Count", RRF_RT_REG_DWORD, nullptr, &count, &size));
    EXPECT_EQ(7u, count);
    EXPECT_EQ(L"x", Value(L"Shared\\Plain", L"Mark"));
    EXPECT_FALSE(Exists(L"Shared\\{guid}\\Stale"));
    Create(L"Shared\\{guid}\\Foreign");  // goes with the ForceRemove key
    Create(L"Shared\\Other");          // someone else's key below the NoRemove key
    ASSERT_EQ(S_OK, Run(kScript, RegistryMode::Unregister));
    EXPECT_EQ(S_OK, Run(kScript, RegistryMode::Unregister));
    EXPECT_FALSE(Exists(L"Prog.Id"));
    EXPECT_FALSE(Exists(L"Shared\\{guid}"));
    EXPECT_TRUE(Exists(L"Shared\\Other"));
    EXPECT_TRUE(Exists(L"Shared\\Plain\\Foreign"));     // keeps Plain alive
    EXPECT_EQ(L"<none>", Value(L"Shared\\Plain", L"Mark"));  // its value went
}

TEST_F(Registrar, SyntaxErrorsAreRefusedBeforeAnythingIsWrittenAndAMissingResourceGivesItsStatus) {
    const wchar_t* bad[] = {
        L"HKCR { Key = s 'unterminated }",
        L"HKCR { Key = s '%UNKNOWN%' }",
        L"HKCR { Key = s '50% off' }",
        L"HKCR { Key { }",
        L"HKXX { Key }",
        L"HKCR { val Name = s 'x' }",
        L"HKCR { Key = q 'x' }",
        L"HKCR { Key { val N = d 'seven' } }",
        L"HKCR { ForceRemove }",
    };
    for (const wchar_t* script : bad) {
        EXPECT_EQ(DISP_E_EXCEPTION, Run(script, RegistryMode::Register)) << std::string(script, script + wcslen(script));
    }
    DWORD subkeys = 1;
    RegQueryInfoKeyW(root, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr);
    EXPECT_EQ(0u, subkeys);
    // This executable has no "REGISTRY" resources.
    const HRESULT hr = RunRegistryResource(GetModuleHandleW(nullptr), 8000, {}, RegistryMode::Register, root);
    EXPECT_TRUE(FAILED(hr));
    EXPECT_EQ(FACILITY_WIN32, HRESULT_FACILITY(hr));
}

}  // namespace

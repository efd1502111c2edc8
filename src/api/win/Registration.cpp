// DllRegisterServer and DllUnregisterServer: the module's registration, run
// step by step; the first failing step's status is returned.
#include "Registration.h"

#include "kelmapi/kelmapi.h"

#include "ModuleFile.h"
#include "Registrar.h"
#include "Resources.h"
#include "util/AutoTypes.h"

namespace kelm::win {
namespace {

// The status when the module's own object factories cannot be (un)registered.
constexpr HRESULT kFactoryRegistrationFailed = static_cast<HRESULT>(0x80040201);  // SELFREG_E_CLASS

std::wstring Widen(const char* text) { return std::wstring(text, text + std::char_traits<char>::length(text)); }

RegistryReplacements Replacements() {
    return {{L"MODULE", ThisModulePath()}, {L"APPID", Widen(KELMAPI_APPID_STRING)}};
}

std::wstring FolderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// The class table: one class, Kelm, with its script and (empty) category list.
struct ClassRegistration {
    const CLSID* clsid;
    UINT script;
};
const ClassRegistration kClasses[] = {{&CLSID_Kelm, IDR_KELM}};

HRESULT RegisterCategories(const ClassRegistration&) { return S_OK; }    // Kelm implements no categories
HRESULT UnregisterCategories(const ClassRegistration&) { return S_OK; }

// Beyond the class table the module registers no object factories of its own.
HRESULT RegisterOwnFactories(RegistryMode) { return S_OK; }

HRESULT RegisterTypeLibrary() {
    std::wstring module = ThisModulePath();
    ComPtr<ITypeLib> library;
    RETURN_IF_FAILED(LoadTypeLibEx(module.c_str(), REGKIND_NONE, library.Out()));
    std::wstring helpFolder = FolderOf(module);
    return RegisterTypeLib(library.get(), module.data(), helpFolder.data());
}

HRESULT UnregisterTypeLibrary() {
    ComPtr<ITypeLib> library;
    RETURN_IF_FAILED(LoadTypeLibEx(ThisModulePath().c_str(), REGKIND_NONE, library.Out()));
    TLIBATTR* attributes = nullptr;
    RETURN_IF_FAILED(library->GetLibAttr(&attributes));
    const TLIBATTR copy = *attributes;
    library->ReleaseTLibAttr(attributes);
    const HRESULT hr = UnRegisterTypeLib(copy.guid, copy.wMajorVerNum, copy.wMinorVerNum, copy.lcid, copy.syskind);
    // Already gone is what unregistration wants.
    return hr == TYPE_E_REGISTRYACCESS || hr == TYPE_E_CANTLOADLIBRARY ? S_OK : hr;
}

}  // namespace

HRESULT RegisterServer() {
    const RegistryReplacements replacements = Replacements();
    RETURN_IF_FAILED(RunRegistryResource(ThisModule(), IDR_KELMAPI_APPID, replacements, RegistryMode::Register));
    for (const auto& entry : kClasses) {
        RETURN_IF_FAILED(RunRegistryResource(ThisModule(), entry.script, replacements, RegistryMode::Register));
        RETURN_IF_FAILED(RegisterCategories(entry));
    }
    RETURN_IF_FAILED(RegisterTypeLibrary());
    RETURN_HR_IF(kFactoryRegistrationFailed, FAILED(RegisterOwnFactories(RegistryMode::Register)));
    return S_OK;
}

HRESULT UnregisterServer() {
    const RegistryReplacements replacements = Replacements();
    RETURN_IF_FAILED(RunRegistryResource(ThisModule(), IDR_KELMAPI_APPID, replacements, RegistryMode::Unregister));
    for (const auto& entry : kClasses) {
        RETURN_IF_FAILED(UnregisterCategories(entry));
        RETURN_IF_FAILED(RunRegistryResource(ThisModule(), entry.script, replacements, RegistryMode::Unregister));
    }
    RETURN_IF_FAILED(UnregisterTypeLibrary());
    RETURN_HR_IF(kFactoryRegistrationFailed, FAILED(RegisterOwnFactories(RegistryMode::Unregister)));
    return S_OK;
}

}  // namespace kelm::win

STDAPI DllRegisterServer() { return kelm::win::RegisterServer(); }
STDAPI DllUnregisterServer() { return kelm::win::UnregisterServer(); }

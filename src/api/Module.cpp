// Module entry points: the class factory of Kelm, DllGetClassObject and
// DllCanUnloadNow.
#include "api/Module.h"

#include <atomic>

#include "api/Kelm.h"
#include "util/AutoTypes.h"

namespace kelm {
namespace {

std::atomic<long> g_lockCount{0};

// The class factory of Kelm: a static object that locks the module while
// clients hold references to it.
class KelmClassFactory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        RETURN_HR_IF_NULL(E_POINTER, ppv);
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { ModuleLock(); return 2; }
    STDMETHODIMP_(ULONG) Release() override { ModuleUnlock(); return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        return CKelm::CreateInstance(outer, riid, ppv);
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        if (lock) ModuleLock(); else ModuleUnlock();
        return S_OK;
    }
};

KelmClassFactory g_kelmFactory;

// The class table: one entry, Kelm.
struct ClassEntry {
    const CLSID* clsid;
    IClassFactory* factory;
};
const ClassEntry kClassTable[] = {{&CLSID_Kelm, &g_kelmFactory}};

}  // namespace

void ModuleLock() { ++g_lockCount; }
void ModuleUnlock() { --g_lockCount; }
long ModuleLockCount() { return g_lockCount.load(); }

}  // namespace kelm

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    RETURN_HR_IF_NULL(E_POINTER, ppv);
    *ppv = nullptr;
    for (const auto& entry : kelm::kClassTable) {
        if (IsEqualCLSID(rclsid, *entry.clsid)) return entry.factory->QueryInterface(riid, ppv);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow(void) { return kelm::ModuleLockCount() < 1 ? S_OK : S_FALSE; }

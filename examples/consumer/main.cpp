// Creates a Kelm object through the class factory and checks that a library
// name without ".qvm" is refused with E_INVALIDARG.
#include <cstdio>

#include <kelmapi/kelmapi.h>

int main() {
    IClassFactory* factory = nullptr;
    if (FAILED(DllGetClassObject(CLSID_Kelm, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) return 2;
    IKelm* kelm = nullptr;
    const HRESULT created = factory->CreateInstance(nullptr, IID_IKelm, reinterpret_cast<void**>(&kelm));
    factory->Release();
    if (FAILED(created)) return 3;
    BSTR file = SysAllocString(u"library.txt");
    BSTR user = SysAllocString(u"consumer");
    const HRESULT hr = kelm->Kelmstore_Open(file, user, VARIANT_FALSE);
    SysFreeString(file);
    SysFreeString(user);
    kelm->Release();
    std::printf("Kelmstore_Open gave 0x%08X\n", static_cast<unsigned>(hr));
    return hr == E_INVALIDARG && DllCanUnloadNow() == S_OK ? 0 : 1;
}

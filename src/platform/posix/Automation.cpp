// Automation types off Windows: not built yet.
#include "kelmapi/automation.h"

extern "C" {
BSTR SysAllocString(const OLECHAR*) { return nullptr; }
BSTR SysAllocStringLen(const OLECHAR*, UINT) { return nullptr; }
BSTR SysAllocStringByteLen(const char*, UINT) { return nullptr; }
void SysFreeString(BSTR) {}
UINT SysStringLen(BSTR) { return 0; }
UINT SysStringByteLen(BSTR) { return 0; }
SAFEARRAY* SafeArrayCreate(VARTYPE, UINT, SAFEARRAYBOUND*) { return nullptr; }
SAFEARRAY* SafeArrayCreateVector(VARTYPE, LONG, ULONG) { return nullptr; }
SAFEARRAY* SafeArrayCreateEx(VARTYPE, UINT, SAFEARRAYBOUND*, PVOID) { return nullptr; }
SAFEARRAY* SafeArrayCreateVectorEx(VARTYPE, LONG, ULONG, PVOID) { return nullptr; }
HRESULT SafeArrayDestroy(SAFEARRAY*) { return E_NOTIMPL; }
HRESULT SafeArrayLock(SAFEARRAY*) { return E_NOTIMPL; }
HRESULT SafeArrayUnlock(SAFEARRAY*) { return E_NOTIMPL; }
HRESULT SafeArrayAccessData(SAFEARRAY*, void**) { return E_NOTIMPL; }
HRESULT SafeArrayUnaccessData(SAFEARRAY*) { return E_NOTIMPL; }
UINT SafeArrayGetDim(SAFEARRAY*) { return 0; }
UINT SafeArrayGetElemsize(SAFEARRAY*) { return 0; }
HRESULT SafeArrayGetLBound(SAFEARRAY*, UINT, LONG*) { return E_NOTIMPL; }
HRESULT SafeArrayGetUBound(SAFEARRAY*, UINT, LONG*) { return E_NOTIMPL; }
HRESULT SafeArrayGetVartype(SAFEARRAY*, VARTYPE*) { return E_NOTIMPL; }
HRESULT SafeArrayGetRecordInfo(SAFEARRAY*, IRecordInfo**) { return E_NOTIMPL; }
HRESULT SafeArrayGetElement(SAFEARRAY*, LONG*, void*) { return E_NOTIMPL; }
HRESULT SafeArrayPutElement(SAFEARRAY*, LONG*, void*) { return E_NOTIMPL; }
void VariantInit(VARIANTARG* v) { std::memset(v, 0, sizeof *v); }
HRESULT VariantClear(VARIANTARG* v) { std::memset(v, 0, sizeof *v); return S_OK; }
HRESULT VariantCopy(VARIANTARG*, const VARIANTARG*) { return E_NOTIMPL; }
HRESULT GetRecordInfoFromGuids(REFGUID, ULONG, ULONG, LCID, REFGUID, IRecordInfo**) { return E_NOTIMPL; }
}

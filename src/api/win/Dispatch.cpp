// IDispatch of the Kelm object on Windows: served from the registered type
// library KelmAPI 1.0, loaded by its library identifier on first use and kept
// for the life of the process.
#include "api/Dispatch.h"

#include <mutex>

#include "util/AutoTypes.h"

namespace kelm {
namespace {

constexpr WORD kLibraryMajor = 1;
constexpr WORD kLibraryMinor = 0;
constexpr LCID kLibraryLocale = 0x409;

std::mutex g_typeInfoLock;
ITypeInfo* g_typeInfo = nullptr;  // kept once loaded; a failed load is retried on the next call

// The type information of IKelm, borrowed (not AddRef'd).
HRESULT KelmTypeInfo(ITypeInfo** typeInfo) {
    std::lock_guard<std::mutex> lock(g_typeInfoLock);
    if (g_typeInfo == nullptr) {
        ComPtr<ITypeLib> library;
        RETURN_IF_FAILED(LoadRegTypeLib(LIBID_KelmAPI, kLibraryMajor, kLibraryMinor, kLibraryLocale, library.Out()));
        RETURN_IF_FAILED(library->GetTypeInfoOfGuid(IID_IKelm, &g_typeInfo));
    }
    *typeInfo = g_typeInfo;
    return S_OK;
}

}  // namespace

HRESULT KelmGetTypeInfoCount(UINT* pctinfo) {
    RETURN_HR_IF_NULL(E_POINTER, pctinfo);
    *pctinfo = 1;
    return S_OK;
}

HRESULT KelmGetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo) {
    RETURN_HR_IF_NULL(E_POINTER, ppTInfo);
    *ppTInfo = nullptr;
    RETURN_HR_IF(DISP_E_BADINDEX, iTInfo != 0);
    ITypeInfo* typeInfo = nullptr;
    RETURN_IF_FAILED(KelmTypeInfo(&typeInfo));
    typeInfo->AddRef();
    *ppTInfo = typeInfo;
    return S_OK;
}

HRESULT KelmGetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId) {
    RETURN_HR_IF(DISP_E_UNKNOWNINTERFACE, !IsEqualIID(riid, IID_NULL));
    ITypeInfo* typeInfo = nullptr;
    RETURN_IF_FAILED(KelmTypeInfo(&typeInfo));
    return DispGetIDsOfNames(typeInfo, rgszNames, cNames, rgDispId);
}

HRESULT KelmInvoke(IKelm& self, DISPID dispIdMember, REFIID riid, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                   VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) {
    RETURN_HR_IF(DISP_E_UNKNOWNINTERFACE, !IsEqualIID(riid, IID_NULL));
    ITypeInfo* typeInfo = nullptr;
    RETURN_IF_FAILED(KelmTypeInfo(&typeInfo));
    return DispInvoke(&self, typeInfo, dispIdMember, wFlags, pDispParams, pVarResult, pExcepInfo, puArgErr);
}

}  // namespace kelm

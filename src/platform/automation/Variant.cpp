// VARIANT off Windows: initialising, clearing (freeing what the variant owns)
// and deep copying. A VT_RECORD variant owns a record made by
// IRecordInfo::RecordCreate and a reference to its IRecordInfo.
#include <cstring>

#include "kelmapi/automation.h"

extern "C" {

void VariantInit(VARIANTARG* pvarg) {
    if (pvarg != nullptr) std::memset(pvarg, 0, sizeof *pvarg);
}

HRESULT VariantClear(VARIANTARG* pvarg) {
    if (pvarg == nullptr) return E_INVALIDARG;
    const VARTYPE vt = pvarg->vt;
    if ((vt & VT_BYREF) == 0) {
        if (vt & VT_ARRAY) {
            const HRESULT hr = SafeArrayDestroy(pvarg->parray);
            if (FAILED(hr)) return hr;
        } else {
            switch (vt & VT_TYPEMASK) {
                case VT_BSTR: SysFreeString(pvarg->bstrVal); break;
                case VT_UNKNOWN:
                case VT_DISPATCH:
                    if (pvarg->punkVal != nullptr) pvarg->punkVal->Release();
                    break;
                case VT_RECORD:
                    if (pvarg->pRecInfo != nullptr) {
                        if (pvarg->pvRecord != nullptr) pvarg->pRecInfo->RecordDestroy(pvarg->pvRecord);
                        pvarg->pRecInfo->Release();
                    }
                    break;
                default: break;
            }
        }
    }
    std::memset(pvarg, 0, sizeof *pvarg);
    return S_OK;
}

HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc) {
    if (pvargDest == nullptr || pvargSrc == nullptr) return E_INVALIDARG;
    if (pvargDest == pvargSrc) return S_OK;
    VARIANT copy = *pvargSrc;
    const VARTYPE vt = pvargSrc->vt;
    if ((vt & VT_BYREF) == 0) {
        if (vt & VT_ARRAY) {
            const HRESULT hr = SafeArrayCopy(pvargSrc->parray, &copy.parray);
            if (FAILED(hr)) return hr;
        } else {
            switch (vt & VT_TYPEMASK) {
                case VT_BSTR:
                    if (pvargSrc->bstrVal != nullptr) {
                        copy.bstrVal = SysAllocStringByteLen(reinterpret_cast<const char*>(pvargSrc->bstrVal),
                                                             SysStringByteLen(pvargSrc->bstrVal));
                        if (copy.bstrVal == nullptr) return E_OUTOFMEMORY;
                    }
                    break;
                case VT_UNKNOWN:
                case VT_DISPATCH:
                    if (copy.punkVal != nullptr) copy.punkVal->AddRef();
                    break;
                case VT_RECORD:
                    if (pvargSrc->pRecInfo == nullptr) return E_INVALIDARG;
                    if (pvargSrc->pvRecord != nullptr) {
                        const HRESULT hr = pvargSrc->pRecInfo->RecordCreateCopy(pvargSrc->pvRecord, &copy.pvRecord);
                        if (FAILED(hr)) return hr;
                    }
                    copy.pRecInfo->AddRef();
                    break;
                default: break;
            }
        }
    }
    const HRESULT cleared = VariantClear(pvargDest);
    if (FAILED(cleared)) {
        VariantClear(&copy);
        return cleared;
    }
    *pvargDest = copy;
    return S_OK;
}

}  // extern "C"

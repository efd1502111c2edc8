#include "api/Dispatch.h"

namespace kelm {

HRESULT KelmGetTypeInfoCount(UINT* pctinfo) {
    if (pctinfo == nullptr) return E_POINTER;
    *pctinfo = 0;
    return S_OK;
}
HRESULT KelmGetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
HRESULT KelmGetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }
HRESULT KelmInvoke(IKelm&, DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) { return E_NOTIMPL; }

}  // namespace kelm

// IDispatch of the Kelm object. On Windows it is served from the registered
// type library; elsewhere from the built-in table of the 27 methods (names,
// dispatch identifiers, parameter types and directions).
#pragma once

#include "kelmapi/kelmapi.h"

namespace kelm {

HRESULT KelmGetTypeInfoCount(UINT* pctinfo);
HRESULT KelmGetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo);
HRESULT KelmGetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId);
HRESULT KelmInvoke(IKelm& self, DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                   VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr);

}  // namespace kelm

// IDispatch of the Kelm object, served from the method table on every
// platform (api/DispatchTable.h). GetTypeInfo hands out the registered type
// library for early-binding clients (none off Windows).
#pragma once

#include <functional>
#include <string>

#include "kelmapi/kelmapi.h"

namespace kelm {

// The words for a failed method's status, for EXCEPINFO's description.
using FailureDescriber = std::function<std::string(HRESULT status)>;

// "KelmAPI.Kelm": EXCEPINFO's source for every failed method.
inline constexpr const char* kExceptionSource = KELMAPI_VERSION_INDEPENDENT_PROGID;

HRESULT KelmGetTypeInfoCount(UINT* pctinfo);
HRESULT KelmGetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo);
HRESULT KelmGetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId);
// Converts the arguments (given last first), calls the method through the
// vtable, and copies the results back. A failed method gives
// DISP_E_EXCEPTION with its status in scode, the source and the description.
HRESULT KelmInvoke(IKelm& self, const FailureDescriber& describe, DISPID dispIdMember, REFIID riid, LCID lcid,
                   WORD wFlags, DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                   UINT* puArgErr);

}  // namespace kelm

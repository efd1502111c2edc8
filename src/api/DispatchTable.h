// The late-binding description of IKelm, expanded from the method list of
// kelmapi.h: each method's name, dispatch identifier and parameters in
// type-library terms, and the function that calls it through the vtable.
// GetIDsOfNames and Invoke are served from this table on every platform.
//
// How a parameter's type reads in type-library terms:
//   VT_BSTR, VT_BOOL             string / flag passed by value
//   VT_I4 + userType             the KelmEnum_ObjType enumeration (a 32-bit
//                                integer; userType = &GUID_KelmEnum_ObjType)
//   VT_RECORD + userType         pointer to a record (VT_PTR to the record
//                                type named by userType)
//   VT_BYREF | t                 out-parameter, pointer to t (VT_PTR to t)
//   VT_BYREF | VT_ARRAY | VT_BSTR out-parameter, pointer to a safe array of
//                                strings (VT_PTR to VT_SAFEARRAY of VT_BSTR)
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include "api/DispatchArgument.h"
#include "kelmapi/kelmapi.h"

namespace kelm {

// As the type library declares it: [in], [out], or no attribute at all.
enum class ParamDirection { In, Out, Plain };

struct DispatchParam {
    const char* name;
    VARTYPE type;
    ParamDirection direction;
    const GUID* userType;  // the enumeration or record type; null otherwise
};

// Calls the method through the vtable with arguments already converted.
using DispatchCall = HRESULT (*)(IKelm& self, DispatchArgument* args);

struct DispatchMethod {
    const char* name;
    DISPID id;
    std::span<const DispatchParam> params;
    DispatchCall call;
};

inline constexpr std::size_t kMaxDispatchParams = 7;

// The methods in interface order.
std::span<const DispatchMethod> KelmDispatchTable();

// Lookups: by identifier, and by name compared without regard to ASCII case.
// Null when there is no such method.
const DispatchMethod* FindDispatchMethod(DISPID id);
const DispatchMethod* FindDispatchMethod(std::u16string_view name);

// Whether two names are equal when ASCII case is ignored.
bool SameNameIgnoringCase(std::u16string_view a, std::string_view b);

// The dispatch identifier of an IKelm method: KelmDispatchId<&IKelm::SaveQVM> == 111.
template <auto method>
inline constexpr DISPID KelmDispatchId = DISPID_UNKNOWN;
#define KELM_DISPATCH_ID(id, name, params) \
    template <>                            \
    inline constexpr DISPID KelmDispatchId<&IKelm::name> = id;
KELMAPI_IKELM_METHODS(KELM_DISPATCH_ID, KELMAPI_DECLARE_PARAM)
#undef KELM_DISPATCH_ID

}  // namespace kelm

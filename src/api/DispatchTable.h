// The late-binding description of IKelm: the 27 methods with their dispatch
// identifiers and parameters, as the type library declares them. Off Windows
// GetIDsOfNames and Invoke are served from this table; on Windows it is the
// reference the registered type library is checked against.
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
// Direction is what the parameter's attributes say: in, out, or none at all.
#pragma once

#include <string_view>
#include <vector>

#include "kelmapi/kelmapi.h"

namespace kelm {

enum class ParamDirection { In, Out, None };

struct DispatchParam {
    const char* name;
    VARTYPE type;
    ParamDirection direction;
    const GUID* userType;  // the enumeration or record type; null otherwise
};

struct DispatchMethod {
    const char* name;
    DISPID id;
    std::vector<DispatchParam> params;
};

// The methods in interface order.
const std::vector<DispatchMethod>& KelmDispatchTable();

// Lookups: by identifier, and by name compared without regard to ASCII case.
// Null when there is no such method.
const DispatchMethod* FindDispatchMethod(DISPID id);
const DispatchMethod* FindDispatchMethod(std::u16string_view name);

// Whether two names are equal when ASCII case is ignored.
bool SameNameIgnoringCase(std::u16string_view a, std::string_view b);

}  // namespace kelm

// Registered type libraries: the type information an early-binding client
// asks IDispatch::GetTypeInfo for. Off Windows there is no registry of type
// libraries, and every call answers E_NOTIMPL.
#pragma once

#include "kelmapi/automation.h"

namespace kelm::platform {

// The type information of interface `iid` in the registered type library
// `libid` (version major.minor, locale lcid), loaded on first use and kept
// for the life of the process; a failed load is retried on the next call.
// `typeInfo` receives a counted reference; when it is null, the call only
// tells whether the type information can be had.
HRESULT RegisteredTypeInfo(REFGUID libid, WORD major, WORD minor, LCID lcid, REFIID iid, ITypeInfo** typeInfo);

}  // namespace kelm::platform

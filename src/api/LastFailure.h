// The words for the last failed call on a Kelm object, for clients in this
// process that call through the vtable and still want what a late-bound
// caller gets in EXCEPINFO (the kelm tool prints it).
#pragma once

#include <string>

#include "kelmapi/kelmapi.h"

namespace kelm {

// `object` must be a Kelm object of this module (from its class factory).
// The description of its last failed call when that call failed with
// `status`; empty otherwise.
std::string LastFailureDescription(IKelm* object, HRESULT status);

}  // namespace kelm

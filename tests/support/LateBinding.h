// A late-bound client of the Kelm object, shared by the dispatch tests of
// every platform: all 27 methods called through IDispatch on a copy of
// examples/library, with the statuses, the out-parameters and, for every
// failure, the exception report checked.
#pragma once

#include <functional>
#include <string>

#include "api/DispatchTable.h"

namespace kelm::testing {

// How the out-parameters are passed: the exact typed reference (C++, early
// bound VBA, makepy), or a reference to a VARIANT (VBScript, late-bound VBA).
enum class OutStyle { Typed, Variant };

// One invocation: the arguments as given in DISPPARAMS (last first).
using Invoker = std::function<HRESULT(const DispatchMethod& method, DISPPARAMS& params, EXCEPINFO& error,
                                      UINT& argErr)>;

// Names the method through GetIDsOfNames and calls Invoke.
Invoker ThroughInvoke(IDispatch* dispatch);

// Runs the whole session on a copy of examples/library in `folder` (ending
// in a separator). `described`: the object behind our own dispatcher, whose
// failures are described in words, the same words the kelm tool prints (the
// system's dispatcher leaves the description empty: pass null).
void ExpectEveryMethodLateBound(const Invoker& invoke, const std::string& folder, OutStyle style,
                                IKelm* described = nullptr);

}  // namespace kelm::testing

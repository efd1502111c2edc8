// String lists handed to automation clients as arrays of BSTR.
#pragma once

#include "kelmapi/automation.h"
#include "util/StringList.h"

namespace kelm {

// Destroys an array already in *out, then stores a new one-dimensional BSTR
// array with lower bound 0 holding the list in order.
HRESULT StringListToSafeArray(const StringList& list, SAFEARRAY** out);

// Ascending, case-insensitive (current code page), not stable.
void SortStringList(StringList& list);

}  // namespace kelm

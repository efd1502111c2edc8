// Automation flags: only VARIANT_TRUE (-1, all bits set) counts as true.
#pragma once

#include "kelmapi/automation.h"

namespace kelm {

inline bool IsTrue(VARIANT_BOOL flag) { return flag == VARIANT_TRUE; }
// The flag as the internal integer 1 or 0.
inline int FlagValue(VARIANT_BOOL flag) { return IsTrue(flag) ? 1 : 0; }
inline VARIANT_BOOL ToVariantBool(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

}  // namespace kelm

// The module: its lock count (live objects and server locks, changed with
// interlocked operations) and the class table.
#pragma once

#include "kelmapi/kelmapi.h"

namespace kelm {

void ModuleLock();
void ModuleUnlock();
long ModuleLockCount();

}  // namespace kelm

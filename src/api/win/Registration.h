// Registration of the module: the application-identifier script, the class
// scripts with their categories, the embedded type library and the module's
// own factories, in that order; removal undoes them in the same order.
#pragma once

#include "kelmapi/automation.h"

namespace kelm::win {

HRESULT RegisterServer();
HRESULT UnregisterServer();

}  // namespace kelm::win

// The module file of KelmAPI.dll: its handle and path, found from an address
// inside it (works the same in the DLL and in a test executable).
#pragma once

#include <string>

#include "kelmapi/automation.h"

namespace kelm::win {

HMODULE ThisModule();
std::wstring ThisModulePath();

}  // namespace kelm::win

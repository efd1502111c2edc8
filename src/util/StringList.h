// The component's working list of names: a growable, ordered array of 8-bit
// strings (ANSI code page on Windows, UTF-8 elsewhere). The library store
// fills and takes lists of this type.
#pragma once

#include <string>
#include <vector>

namespace kelm {
using StringList = std::vector<std::string>;
}  // namespace kelm

// Terminal seam for command-line tools: whether a standard stream is a
// terminal (progress bars are drawn only there).
#pragma once

#include <cstdio>

namespace kelm::platform {

bool IsTerminal(std::FILE* stream);

}  // namespace kelm::platform

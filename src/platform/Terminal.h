// Terminal seam for command-line tools: whether a standard stream is a
// terminal (progress bars are drawn only there), and how wide it is.
#pragma once

#include <cstdio>

namespace kelm::platform {

bool IsTerminal(std::FILE* stream);
// The width of the terminal of the stream in columns; 0 when unknown.
int TerminalWidth(std::FILE* stream);

}  // namespace kelm::platform

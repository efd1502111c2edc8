// Debug output seam: one diagnostic line for a developer. On Windows it goes
// to the debugger (OutputDebugString); elsewhere to standard error, and only
// while the environment variable KELM_TRACE is set, so that a library never
// writes into its host's output unasked.
#pragma once

#include <string>

namespace kelm::platform {

void WriteDebugLine(const std::string& line);

}  // namespace kelm::platform

#include "platform/DebugOutput.h"

#include <cstdio>

#include "platform/Environment.h"

namespace kelm::platform {

void WriteDebugLine(const std::string& line) {
    if (!GetEnvironmentValue("KELM_TRACE").has_value()) return;
    std::fprintf(stderr, "%s\n", line.c_str());
}

}  // namespace kelm::platform

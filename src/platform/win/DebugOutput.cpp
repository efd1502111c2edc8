#include "platform/DebugOutput.h"

#include <windows.h>

namespace kelm::platform {

void WriteDebugLine(const std::string& line) {
    const std::string text = line + "\n";
    OutputDebugStringA(text.c_str());
}

}  // namespace kelm::platform

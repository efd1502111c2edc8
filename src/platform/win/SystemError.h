// Windows error codes as text, and the error an injected fault stands for.
#pragma once

#include <windows.h>

#include <string>

#include "platform/FaultInjection.h"

namespace kelm::platform {

// "There is not enough space on the disk. (system error 112)"
inline std::string SystemErrorText(DWORD code) {
    char buffer[512] = {};
    DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                    buffer, sizeof buffer, nullptr);
    while (length > 0 && (buffer[length - 1] == '\r' || buffer[length - 1] == '\n' || buffer[length - 1] == ' ')) --length;
    std::string text(buffer, length);
    return (text.empty() ? std::string() : text + " ") + "(system error " + std::to_string(static_cast<unsigned long>(code)) + ")";
}

inline DWORD InjectedSystemError(Fault fault) {
    return fault == Fault::DiskFull ? ERROR_DISK_FULL : fault == Fault::Denied ? ERROR_ACCESS_DENIED : 0;
}

}  // namespace kelm::platform

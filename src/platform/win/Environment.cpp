#include "platform/Environment.h"

#include <windows.h>

#include <vector>

namespace kelm::platform::detail {

std::optional<std::string> GetEnvironmentValueNative(const std::string& name) {
    SetLastError(ERROR_SUCCESS);
    const DWORD needed = GetEnvironmentVariableA(name.c_str(), nullptr, 0);
    if (needed == 0) {
        if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
        return std::string();
    }
    std::vector<char> buffer(needed);
    const DWORD length = GetEnvironmentVariableA(name.c_str(), buffer.data(), needed);
    if (length == 0 || length >= needed) return std::string();
    return std::string(buffer.data(), length);
}

}  // namespace kelm::platform::detail

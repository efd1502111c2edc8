#include "platform/Environment.h"

#include <cstdlib>

namespace kelm::platform::detail {

std::optional<std::string> GetEnvironmentValueNative(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

}  // namespace kelm::platform::detail

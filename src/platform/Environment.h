// Environment seam: reading one variable of the process environment.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace kelm::platform {

// The value of the variable, or nothing when it is not set.
std::optional<std::string> GetEnvironmentValue(const std::string& name);

// Tests replace the environment with a function of their own; an empty
// function restores the process environment.
using EnvironmentReader = std::function<std::optional<std::string>(const std::string&)>;
void SetEnvironmentForTesting(EnvironmentReader reader);

namespace detail {
std::optional<std::string> GetEnvironmentValueNative(const std::string& name);
}  // namespace detail

}  // namespace kelm::platform

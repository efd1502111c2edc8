#include "platform/Environment.h"

#include <utility>

namespace kelm::platform {
namespace {
EnvironmentReader& TestReader() {
    static EnvironmentReader reader;
    return reader;
}
}  // namespace

std::optional<std::string> GetEnvironmentValue(const std::string& name) {
    if (const auto& reader = TestReader()) return reader(name);
    return detail::GetEnvironmentValueNative(name);
}

void SetEnvironmentForTesting(EnvironmentReader reader) { TestReader() = std::move(reader); }

}  // namespace kelm::platform

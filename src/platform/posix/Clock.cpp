#include "platform/Clock.h"

namespace kelm::platform::detail {
bool ToLocalTime(std::time_t seconds, std::tm& local) { return localtime_r(&seconds, &local) != nullptr; }
}  // namespace kelm::platform::detail

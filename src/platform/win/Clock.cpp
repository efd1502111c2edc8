#include "platform/Clock.h"

namespace kelm::platform::detail {
bool ToLocalTime(std::time_t seconds, std::tm& local) { return localtime_s(&local, &seconds) == 0; }
}  // namespace kelm::platform::detail

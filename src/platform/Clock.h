// Time: the current time in whole seconds since 1 January 1970 (UTC), and
// its local-time form for log lines. Tests can fix the clock.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

namespace kelm::platform {

std::int64_t NowSeconds();
// The current time as the 32-bit count that time stamps carry.
inline std::int32_t NowTimestamp() { return static_cast<std::int32_t>(NowSeconds()); }
// "%Y-%m-%d %H:%M:%S" in local time; false (and out empty) when the time
// cannot be converted or formatted.
bool FormatLocalTime(std::int64_t seconds, std::string& out);

// An empty function restores the system clock.
void SetClockForTesting(std::function<std::int64_t()> clock);

namespace detail {
// The broken-down local time of a time value (src/platform/posix or win).
bool ToLocalTime(std::time_t seconds, std::tm& local);
}  // namespace detail

}  // namespace kelm::platform

// The clock with its test seam, and the local-time text of log lines.
#include "platform/Clock.h"

#include <mutex>

namespace kelm::platform {
namespace {
std::mutex g_clockMutex;
std::function<std::int64_t()> g_testClock;  // empty: the system clock
}  // namespace

void SetClockForTesting(std::function<std::int64_t()> clock) {
    std::lock_guard<std::mutex> lock(g_clockMutex);
    g_testClock = std::move(clock);
}

std::int64_t NowSeconds() {
    std::function<std::int64_t()> clock;
    {
        std::lock_guard<std::mutex> lock(g_clockMutex);
        clock = g_testClock;
    }
    if (clock) return clock();
    return static_cast<std::int64_t>(std::time(nullptr));
}

bool FormatLocalTime(std::int64_t seconds, std::string& out) {
    out.clear();
    std::tm local{};
    if (!detail::ToLocalTime(static_cast<std::time_t>(seconds), local)) return false;
    char buffer[64];
    const std::size_t length = std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &local);
    if (length == 0) return false;
    out.assign(buffer, length);
    return true;
}

}  // namespace kelm::platform

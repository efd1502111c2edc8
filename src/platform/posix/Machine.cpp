#include "platform/Machine.h"

#include <pwd.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace kelm::platform {

long CurrentProcessId() { return static_cast<long>(::getpid()); }

std::string HostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return "localhost";
    return name;
}

namespace {
// When the process started, in seconds since 1970, from /proc (Linux); -1
// when the system does not tell.
std::int64_t StartTimeOf(long pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(stat, text)) return -1;
    // The command name is in parentheses and may hold blanks; after it come
    // the state (field 3) and on to the start time in clock ticks after boot
    // (field 22).
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(text.substr(close + 1));
    std::string field;
    unsigned long long ticks = 0;
    for (int number = 3; number <= 22 && fields >> field; ++number)
        if (number == 22) ticks = std::strtoull(field.c_str(), nullptr, 10);
    std::ifstream system("/proc/stat");
    std::string line;
    long long boot = -1;
    while (std::getline(system, line))
        if (line.compare(0, 6, "btime ") == 0) boot = std::atoll(line.c_str() + 6);
    const long perSecond = ::sysconf(_SC_CLK_TCK);
    if (ticks == 0 || boot < 0 || perSecond <= 0) return -1;
    return boot + static_cast<std::int64_t>(ticks / static_cast<unsigned long long>(perSecond));
}
}  // namespace

bool IsProcessAlive(long pid, std::int64_t notAfter) {
    if (pid <= 0) return false;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM) return false;  // EPERM: someone else's
    // A process that started after the time asked about got the id later.
    const std::int64_t started = notAfter > 0 ? StartTimeOf(pid) : -1;
    return started < 0 || started <= notAfter + kStartTimeSlackSeconds;
}

void SleepMilliseconds(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// Read once: a process does not change its user, and every lock asks.
std::string LoginName() {
    static const std::string name = [] {
        if (const char* user = std::getenv("USER"); user && *user) return std::string(user);
        if (const passwd* entry = ::getpwuid(::getuid())) return std::string(entry->pw_name);
        return std::string();
    }();
    return name;
}

}  // namespace kelm::platform

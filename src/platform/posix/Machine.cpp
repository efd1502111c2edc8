#include "platform/Machine.h"

#include <pwd.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace kelm::platform {

long CurrentProcessId() { return static_cast<long>(::getpid()); }

std::string HostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return "localhost";
    return name;
}

bool IsProcessAlive(long pid) {
    if (pid <= 0) return false;
    if (::kill(static_cast<pid_t>(pid), 0) == 0) return true;
    return errno == EPERM;  // it exists, but belongs to someone else
}

void SleepMilliseconds(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::string LoginName() {
    if (const char* user = std::getenv("USER"); user && *user) return user;
    if (const passwd* entry = ::getpwuid(::getuid())) return entry->pw_name;
    return {};
}

}  // namespace kelm::platform

#include "platform/Machine.h"

#include <windows.h>

namespace kelm::platform {

long CurrentProcessId() { return static_cast<long>(::GetCurrentProcessId()); }

std::string HostName() {
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    if (!::GetComputerNameA(name, &size)) return "localhost";
    return std::string(name, size);
}

bool IsProcessAlive(long pid, std::int64_t notAfter) {
    if (pid <= 0) return false;
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (!process) return ::GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    bool alive = !::GetExitCodeProcess(process, &code) || code == STILL_ACTIVE;
    // Windows hands a freed id out again soon: a process that started after
    // the time asked about is not the one that had the id then.
    FILETIME created{}, exited{}, kernel{}, user{};
    if (alive && notAfter > 0 && ::GetProcessTimes(process, &created, &exited, &kernel, &user)) {
        const ULONGLONG ticks = (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
        const std::int64_t started = static_cast<std::int64_t>(ticks / 10000000ULL) - 11644473600LL;
        alive = started <= notAfter + kStartTimeSlackSeconds;
    }
    ::CloseHandle(process);
    return alive;
}

void SleepMilliseconds(int milliseconds) { ::Sleep(static_cast<DWORD>(milliseconds)); }

// Read once: a process does not change its user, and every lock asks.
std::string LoginName() {
    static const std::string login = [] {
        char name[257] = {};
        DWORD size = sizeof name;
        return ::GetUserNameA(name, &size) ? std::string(name) : std::string();
    }();
    return login;
}

}  // namespace kelm::platform

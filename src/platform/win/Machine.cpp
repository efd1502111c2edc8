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

bool IsProcessAlive(long pid) {
    if (pid <= 0) return false;
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (!process) return ::GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    const BOOL ok = ::GetExitCodeProcess(process, &code);
    ::CloseHandle(process);
    return !ok || code == STILL_ACTIVE;
}

void SleepMilliseconds(int milliseconds) { ::Sleep(static_cast<DWORD>(milliseconds)); }

std::string LoginName() {
    char name[257] = {};
    DWORD size = sizeof name;
    if (!::GetUserNameA(name, &size)) return {};
    return name;
}

}  // namespace kelm::platform

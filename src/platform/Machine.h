// This process and this machine, as a lock file records its holder.
#pragma once

#include <string>

namespace kelm::platform {

long CurrentProcessId();
std::string HostName();
// False only when no process of that id runs on this machine.
bool IsProcessAlive(long pid);
void SleepMilliseconds(int milliseconds);
// The login name of the user running this process; empty when unknown.
std::string LoginName();

}  // namespace kelm::platform

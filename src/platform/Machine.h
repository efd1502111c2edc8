// This process and this machine, as a lock file records its holder.
#pragma once

#include <cstdint>
#include <string>

namespace kelm::platform {

// Start times and clocks may disagree by this much.
inline constexpr std::int64_t kStartTimeSlackSeconds = 2;

long CurrentProcessId();
std::string HostName();
// False when no process of that id runs on this machine, or when the one
// that does started clearly after `notAfter` (seconds since 1970; 0: not
// asked), so that the id has been given to a new process since. When in
// doubt, true.
bool IsProcessAlive(long pid, std::int64_t notAfter = 0);
void SleepMilliseconds(int milliseconds);
// The login name of the user running this process; empty when unknown.
std::string LoginName();

}  // namespace kelm::platform

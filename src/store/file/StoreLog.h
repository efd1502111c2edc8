// The store's own log: LogFiles\KelmStore.log below the library folder,
// one dated line per event that a user may need to know about later (a
// save that failed on I/O and why, a damaged file, leftovers removed).
// A line that cannot be written is dropped; it never changes a status.
#pragma once

#include <string>

namespace kelm::store {

enum class LogLevel { Error, Warning, Info };

// "2026-12-06 12:00:00 (ERROR)   Main: cannot write ...: No space left on device"
void WriteStoreLog(const std::string& qvmPath, LogLevel level, const std::string& message);

}  // namespace kelm::store

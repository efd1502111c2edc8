// Atomic replacement of a file: the bytes go to a temporary file beside the
// target, are flushed to disk, and the temporary file is renamed over the
// target (then the folder itself is flushed where the system allows it). A
// reader sees the old file or the new one, never a mix.
//
// Fault injection for crash tests: with the step count N set (environment
// variable KELM_FAULT_STEP, or SetFaultStepForTesting), the process ends at
// once, without any clean-up, when it reaches its Nth write step (half a
// temporary file written, flush, rename, folder flush, and every exclusive
// create, move or removal of the store).
#pragma once

#include <string>

#include "platform/StoreFiles.h"

namespace kelm::platform {

// Without `flush` nothing is waited for: for a file that is checked when it
// is read and derived again when it is not whole (the library index).
FileResult WriteFileAtomic(const std::string& path, const std::string& bytes, std::string& error,
                           Flush flush = Flush::Yes);

// Counts one write step; ends the process when it is the step asked for.
void FaultPoint();
// 0 switches fault injection off; the environment is then not read again.
void SetFaultStepForTesting(int step);
// Exit code of a process ended by fault injection.
inline constexpr int kFaultExitCode = 86;

}  // namespace kelm::platform

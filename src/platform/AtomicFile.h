// Atomic replacement of a file: the bytes go to a temporary file beside the
// target ("<target>.tmp-<process>-<count>"), are flushed to disk, and the
// temporary file is renamed over the target (then the folder itself is
// flushed where the system allows it). A reader sees the old file or the
// new one, never a mix. A crash can leave the temporary file behind; the
// next session that takes the library lock removes it.
#pragma once

#include <string>

#include "platform/FaultInjection.h"
#include "platform/Files.h"

namespace kelm::platform {

// Without `flush` the bytes are not waited for: for a file that only matters
// while this process runs, or one that is checked when read and derived
// again when not whole (the library index); the replacement is atomic all the same.
FileResult WriteFileAtomic(const std::string& path, const std::string& bytes, std::string& error,
                           Flush flush = Flush::Yes);

// Appends the bytes at the end of the file (created when missing) and
// flushes them to disk, the folder too when the file is new. A crash can
// leave a part of the bytes at the end; the reader of such a file checks
// what it reads.
FileResult AppendDurably(const std::string& path, const std::string& bytes, std::string& error);

// Moves the file's modification time forward (to now, or just past the
// time it has when the clock has not moved on), so that its stamp changes
// although its bytes do not. False when the file cannot be touched.
bool TouchFile(const std::string& path);

// Whether the name is a temporary file of WriteFileAtomic; gives its writer's process id.
bool IsTemporaryFileName(const std::string& name, long& writer);

}  // namespace kelm::platform

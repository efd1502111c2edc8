// File-system seam. Paths are 8-bit strings as the component handles them;
// off Windows a backslash is taken as a separator at this boundary, so that
// library paths written with backslashes work unchanged.
#pragma once

#include <string>

namespace kelm::platform {

// The path as the operating system wants it (off Windows: '\' becomes '/').
std::string NativePath(const std::string& path);

// The existence test (access mode 0): a file or a folder.
bool PathExistsOnDisk(const std::string& path);

// Creates one folder level with default rights; false when it could not.
bool CreateOneFolder(const std::string& path);

// Opens the file for appending (created if missing, never truncated), with
// no sharing while it is open, writes the bytes, flushes and closes. False
// when the file could not be opened or held by another writer, or writing
// failed; nothing is retried.
bool AppendExclusive(const std::string& path, const std::string& bytes);

}  // namespace kelm::platform

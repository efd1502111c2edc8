// File-system seam. Paths are 8-bit strings as the component handles them.
// Off Windows a backslash is taken as a separator at this boundary, so that
// library paths written with backslashes work unchanged.
#pragma once

#include <cstdint>
#include <string>

namespace kelm::platform {

// The path as the operating system wants it (off Windows: '\' becomes '/';
// double-byte characters are stepped over).
std::string NativePath(const std::string& path);

// The existence test (access mode 0): a file or a folder.
bool PathExistsOnDisk(const std::string& path);

// Creates one folder level with default rights; false when it could not.
bool CreateOneFolder(const std::string& path);

// A file opened for appending: created if missing, never truncated,
// positioned at its end, and shared with no other opener while it is open
// (off Windows an exclusive flock; a file held by another writer cannot be
// opened). Closed at destruction.
class AppendFile {
public:
    AppendFile() = default;
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;
    ~AppendFile() { Close(); }

    bool Open(const std::string& path);
    // Writes all bytes and flushes them to the file.
    bool Write(const std::string& bytes);
    // False when closing failed or nothing was open.
    bool Close();
    bool IsOpen() const { return m_handle != kClosed; }

private:
    static constexpr std::intptr_t kClosed = -1;
    std::intptr_t m_handle = kClosed;
};

}  // namespace kelm::platform

// File-system seam. Paths are 8-bit strings as the component and the store
// handle them; a backslash is a separator on every system (off Windows it
// is turned into '/' at this boundary, double-byte characters stepped over),
// so that library paths written with backslashes work unchanged.
//
// Failures carry a text naming the operation, the file and the system's
// own error ("cannot write C:\Lib\Main.qvm: No space left on device").
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kelm::platform {

enum class FileResult { Ok, NotFound, Exists, Denied, Error };

// The path as the operating system wants it.
std::string NativePath(const std::string& path);

// The existence test (access mode 0): a file or a folder.
bool PathExistsOnDisk(const std::string& path);
bool IsFolder(const std::string& path);

// What changes whenever a file is replaced: size, modification time and
// the file's identity on its volume. Two equal stamps mean "not rewritten".
struct FileStamp {
    bool exists = false;
    std::uint64_t size = 0;
    std::int64_t modified = 0;  // nanoseconds (or the system's finest unit)
    std::uint64_t identity = 0;
    bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(const std::string& path);

FileResult ReadWholeFile(const std::string& path, std::string& bytes, std::string& error);

// Creates the file only when it does not exist (create-new), writes the
// bytes and flushes them to disk. Exists when the file was already there
// (or is still on its way out: deleted while another process has it open).
// Without `flush` the bytes are not waited for: for a file that only has to
// exist while this process runs, such as a lock.
enum class Flush { Yes, No };
FileResult CreateFileExclusive(const std::string& path, const std::string& bytes, std::string& error,
                               Flush flush = Flush::Yes);

// Moves a file or folder; never replaces an existing target (Exists).
FileResult MovePath(const std::string& from, const std::string& to, std::string& error);
FileResult RemoveFile(const std::string& path);
// Removes the file at `path` only when its bytes are `expected`, and removes
// the very file it read (Windows: through the handle it read with; a file
// deleted by name while another process has it open keeps its name for a
// while, and a later delete by that name could hit a new file). Exists when
// another file is there now.
FileResult RemoveFileIfContent(const std::string& path, const std::string& expected);

// Creates one folder level with default rights; false when it could not.
bool CreateOneFolder(const std::string& path);
// Creates the folder and every missing folder above it; true when it is a folder.
bool MakeFolders(const std::string& path);

// Names of the plain files (or of the folders) directly in the folder,
// sorted; false when it cannot be read.
bool ListFiles(const std::string& folder, std::vector<std::string>& names);
bool ListFolders(const std::string& folder, std::vector<std::string>& names);

// Whether writing a file in the folder is possible (creates and removes a probe).
bool CanWriteIn(const std::string& folder);

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

// Open, write, flush, close in one call. False when the file could not be
// opened (or is held by another writer) or writing failed; nothing is retried.
bool AppendExclusive(const std::string& path, const std::string& bytes);

}  // namespace kelm::platform

// File-system seam of the library store: whole-file reads, file stamps,
// exclusive creation, moves, folder listing. Paths are 8-bit strings as the
// store handles them; a backslash is a separator on every system.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kelm::platform {

enum class FileResult { Ok, NotFound, Exists, Denied, Error };

// What changes whenever a file is replaced: size, modification time and
// the file's identity on its volume. Two equal stamps mean "not rewritten".
struct FileStamp {
    bool exists = false;
    std::uint64_t size = 0;
    std::int64_t modified = 0;  // nanoseconds (or the system's finest unit)
    std::uint64_t identity = 0;
    bool operator==(const FileStamp&) const = default;
};

// The path with backslashes turned into the system's separator.
std::string StorePath(const std::string& path);

FileResult ReadWholeFile(const std::string& path, std::string& bytes, std::string& error);
FileStamp StampOf(const std::string& path);
bool IsFolder(const std::string& path);

// Creates the file only when it does not exist (create-new), writes the
// bytes and flushes them to disk. Exists when the file was already there
// (or is still on its way out: deleted while another process has it open).
// Without `flush` the bytes are not waited for: for a file that only has to
// exist while this process runs, such as a lock (a crash leaves either no
// file or a stale one, which is handled either way).
enum class Flush { Yes, No };
FileResult CreateFileExclusive(const std::string& path, const std::string& bytes, std::string& error,
                               Flush flush = Flush::Yes);

// Moves a file or folder; the target must not exist.
FileResult MovePath(const std::string& from, const std::string& to, std::string& error);
FileResult RemoveFile(const std::string& path);

// Creates the folder and every missing folder above it.
bool MakeFolders(const std::string& path);

// Names of the plain files directly in the folder; false when it cannot be read.
bool ListFiles(const std::string& folder, std::vector<std::string>& names);
// Names of the folders directly in the folder, sorted; false when it cannot be read.
bool ListFolders(const std::string& folder, std::vector<std::string>& names);

// Whether writing a file in the folder is possible (creates and removes a probe).
bool CanWriteIn(const std::string& folder);

}  // namespace kelm::platform

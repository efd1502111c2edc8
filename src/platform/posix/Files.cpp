// Files off Windows: '\' is a separator; exclusive appends use O_APPEND with
// a non-blocking exclusive flock; moves never replace (renameat2 with
// RENAME_NOREPLACE).
#include "platform/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/CodePage.h"
#include "platform/FaultInjection.h"
#include "platform/posix/PosixFiles.h"

namespace kelm::platform {
namespace {
using posix::Failed;
using posix::FromErrno;
using posix::InjectedError;
using posix::WriteAll;

bool ListEntries(const std::string& folder, bool folders, std::vector<std::string>& names) {
    names.clear();
    const std::string native = NativePath(folder);
    DIR* dir = ::opendir(native.c_str());
    if (!dir) return false;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        // The entry's own type where the file system gives it (a folder of
        // thousands of symbol files is listed without a stat per file);
        // links and unknown types are followed as stat follows them.
        bool wanted = false;
        if (entry->d_type == DT_REG || entry->d_type == DT_DIR) {
            wanted = folders ? entry->d_type == DT_DIR : entry->d_type == DT_REG;
        } else {
            struct stat info {};
            wanted = ::stat((native + "/" + name).c_str(), &info) == 0 && (folders ? S_ISDIR(info.st_mode) : S_ISREG(info.st_mode));
        }
        if (wanted) names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return true;
}
}  // namespace

std::string NativePath(const std::string& path) {
    std::string native = path;
    for (std::size_t i = 0; i < native.size(); ++i) {
        if (IsLeadByte(static_cast<unsigned char>(native[i])) && i + 1 < native.size()) {
            ++i;
        } else if (native[i] == '\\') {
            native[i] = '/';
        }
    }
    return native;
}

bool PathExistsOnDisk(const std::string& path) { return ::access(NativePath(path).c_str(), F_OK) == 0; }

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(NativePath(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

FileStamp StampOf(const std::string& path) {
    FileStamp stamp;
    struct stat info {};
    if (::stat(NativePath(path).c_str(), &info) != 0) return stamp;
    stamp.exists = true;
    stamp.size = static_cast<std::uint64_t>(info.st_size);
    stamp.modified = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec;
    stamp.identity = static_cast<std::uint64_t>(info.st_ino) ^ (static_cast<std::uint64_t>(info.st_dev) << 40);
    return stamp;
}

FileResult ReadWholeFile(const std::string& path, std::string& bytes, std::string& error) {
    const int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Failed("cannot open", path, errno, error);
    // Read straight into the result, as much as the file's size says; then
    // whatever the file still holds beyond it (it may grow while it is read).
    bytes.clear();
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_size > 0) bytes.resize(static_cast<std::size_t>(info.st_size));
    std::size_t size = 0;
    char extra[1 << 16];
    for (;;) {
        const bool full = size == bytes.size();
        const ssize_t got = full ? ::read(fd, extra, sizeof extra) : ::read(fd, bytes.data() + size, bytes.size() - size);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            const int code = errno;
            ::close(fd);
            bytes.clear();
            Failed("cannot read", path, code, error);
            return FileResult::Error;
        }
        if (full) bytes.append(extra, static_cast<std::size_t>(got));
        size += static_cast<std::size_t>(got);
    }
    bytes.resize(size);
    ::close(fd);
    return FileResult::Ok;
}

FileResult CreateFileExclusive(const std::string& path, const std::string& bytes, std::string& error, Flush flush) {
    if (const int injected = InjectedError(FaultPoint())) return Failed("cannot create", path, injected, error);
    const std::string native = NativePath(path);
    const int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return Failed("cannot create", path, errno, error);
    bool ok = WriteAll(fd, bytes.data(), bytes.size());
    if (ok && flush == Flush::Yes) ok = ::fsync(fd) == 0;
    const int code = errno;
    if (::close(fd) != 0) ok = false;
    if (!ok) {
        ::unlink(native.c_str());
        Failed("cannot write", path, code, error);
        return FileResult::Error;
    }
    return FileResult::Ok;
}

FileResult MovePath(const std::string& from, const std::string& to, std::string& error) {
    if (const int injected = InjectedError(FaultPoint())) return Failed("cannot move", from, injected, error);
    const std::string source = NativePath(from), target = NativePath(to);
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return FileResult::Ok;
    if (errno != EINVAL && errno != ENOSYS) {
        if (errno == EEXIST) {
            error = "cannot move " + from + ": " + to + " exists";
            return FileResult::Exists;
        }
        return Failed("cannot move", from, errno, error);
    }
    // A file system without the no-replace rename: test, then rename.
    struct stat info {};
    if (::lstat(target.c_str(), &info) == 0) {
        error = "cannot move " + from + ": " + to + " exists";
        return FileResult::Exists;
    }
    if (::rename(source.c_str(), target.c_str()) != 0) return Failed("cannot move", from, errno, error);
    return FileResult::Ok;
}

FileResult RemoveFile(const std::string& path) {
    if (const int injected = InjectedError(FaultPoint())) return FromErrno(injected);
    if (::unlink(NativePath(path).c_str()) != 0) return FromErrno(errno);
    return FileResult::Ok;
}

FileResult RemoveFileIfContent(const std::string& path, const std::string& expected) {
    if (const int injected = InjectedError(FaultPoint())) return FromErrno(injected);
    const std::string native = NativePath(path);
    const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return FromErrno(errno);
    std::string bytes;
    char buffer[4096];
    ssize_t got = 0;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0) bytes.append(buffer, static_cast<std::size_t>(got));
    struct stat opened{}, named{};
    const bool read = got == 0 && ::fstat(fd, &opened) == 0;
    ::close(fd);
    if (!read) return FileResult::Error;
    if (bytes != expected) return FileResult::Exists;
    if (::lstat(native.c_str(), &named) != 0) return FromErrno(errno);
    if (named.st_dev != opened.st_dev || named.st_ino != opened.st_ino) return FileResult::Exists;
    if (::unlink(native.c_str()) != 0) return FromErrno(errno);
    return FileResult::Ok;
}

bool CreateOneFolder(const std::string& path) { return ::mkdir(NativePath(path).c_str(), 0777) == 0; }

bool ListFiles(const std::string& folder, std::vector<std::string>& names) { return ListEntries(folder, false, names); }
bool ListFolders(const std::string& folder, std::vector<std::string>& names) { return ListEntries(folder, true, names); }

bool CanWriteIn(const std::string& folder) {
    const std::string probe = NativePath(folder) + "/.kelm-probe-" + std::to_string(::getpid());
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

bool AppendFile::Open(const std::string& path) {
    Close();
    const int fd = ::open(NativePath(path).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::lseek(fd, 0, SEEK_END) < 0) {
        ::close(fd);
        return false;
    }
    m_handle = fd;
    return true;
}

bool AppendFile::Write(const std::string& bytes) {
    if (!IsOpen()) return false;
    return WriteAll(static_cast<int>(m_handle), bytes.data(), bytes.size());  // nothing stays buffered
}

bool AppendFile::Close() {
    if (!IsOpen()) return false;
    const int fd = static_cast<int>(m_handle);
    m_handle = kClosed;
    return ::close(fd) == 0;  // closing also releases the flock
}

}  // namespace kelm::platform

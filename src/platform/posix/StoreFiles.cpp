#include "platform/StoreFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/AtomicFile.h"

namespace kelm::platform {
namespace {
FileResult FromErrno(int error) {
    switch (error) {
    case ENOENT: case ENOTDIR: return FileResult::NotFound;
    case EEXIST: case ENOTEMPTY: return FileResult::Exists;
    case EACCES: case EPERM: case EROFS: return FileResult::Denied;
    default: return FileResult::Error;
    }
}
std::string ErrorText(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}
}  // namespace

std::string StorePath(const std::string& path) {
    std::string native = path;
    std::replace(native.begin(), native.end(), '\\', '/');
    return native;
}

FileResult ReadWholeFile(const std::string& path, std::string& bytes, std::string& error) {
    const std::string native = StorePath(path);
    const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const FileResult result = FromErrno(errno);
        error = ErrorText("cannot open", path);
        return result;
    }
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
            error = ErrorText("cannot read", path);
            ::close(fd);
            bytes.clear();
            return FileResult::Error;
        }
        if (full) bytes.append(extra, static_cast<std::size_t>(got));
        size += static_cast<std::size_t>(got);
    }
    bytes.resize(size);
    ::close(fd);
    return FileResult::Ok;
}

FileStamp StampOf(const std::string& path) {
    FileStamp stamp;
    struct stat info {};
    if (::stat(StorePath(path).c_str(), &info) != 0) return stamp;
    stamp.exists = true;
    stamp.size = static_cast<std::uint64_t>(info.st_size);
    stamp.modified = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec;
    stamp.identity = static_cast<std::uint64_t>(info.st_ino) ^ (static_cast<std::uint64_t>(info.st_dev) << 40);
    return stamp;
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(StorePath(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

FileResult CreateFileExclusive(const std::string& path, const std::string& bytes, std::string& error, Flush flush) {
    FaultPoint();
    const std::string native = StorePath(path);
    const int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        const FileResult result = FromErrno(errno);
        error = ErrorText("cannot create", path);
        return result;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0) {
            if (errno == EINTR) continue;
            error = ErrorText("cannot write", path);
            ::close(fd);
            ::unlink(native.c_str());
            return FileResult::Error;
        }
        done += static_cast<std::size_t>(wrote);
    }
    if (flush == Flush::Yes) ::fsync(fd);
    ::close(fd);
    return FileResult::Ok;
}

FileResult MovePath(const std::string& from, const std::string& to, std::string& error) {
    FaultPoint();
    const std::string target = StorePath(to);
    struct stat info {};
    if (::lstat(target.c_str(), &info) == 0) {
        error = "cannot move " + from + ": " + to + " exists";
        return FileResult::Exists;
    }
    if (::rename(StorePath(from).c_str(), target.c_str()) != 0) {
        const FileResult result = FromErrno(errno);
        error = ErrorText("cannot move", from);
        return result;
    }
    return FileResult::Ok;
}

FileResult RemoveFile(const std::string& path) {
    FaultPoint();
    if (::unlink(StorePath(path).c_str()) != 0) return FromErrno(errno);
    return FileResult::Ok;
}

bool MakeFolders(const std::string& path) {
    const std::string native = StorePath(path);
    if (native.empty()) return true;
    std::string partial;
    std::size_t position = 0;
    while (position != std::string::npos) {
        position = native.find('/', position + 1);
        partial = native.substr(0, position);
        if (partial.empty()) continue;
        if (::mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST) return false;
    }
    return IsFolder(path);
}

bool ListFiles(const std::string& folder, std::vector<std::string>& names) {
    names.clear();
    const std::string native = StorePath(folder);
    DIR* dir = ::opendir(native.c_str());
    if (!dir) return false;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        struct stat info {};
        if (::stat((native + "/" + name).c_str(), &info) == 0 && S_ISREG(info.st_mode)) names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return true;
}

bool ListFolders(const std::string& folder, std::vector<std::string>& names) {
    names.clear();
    const std::string native = StorePath(folder);
    DIR* dir = ::opendir(native.c_str());
    if (!dir) return false;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        struct stat info {};
        if (::stat((native + "/" + name).c_str(), &info) == 0 && S_ISDIR(info.st_mode)) names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return true;
}

bool CanWriteIn(const std::string& folder) {
    const std::string probe = StorePath(folder) + "/.kelm-probe-" + std::to_string(::getpid());
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

}  // namespace kelm::platform

#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace kelm::platform {
namespace {
std::atomic<unsigned> g_counter{0};

bool WriteAll(int fd, const char* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t wrote = ::write(fd, data + done, size - done);
        if (wrote < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

void SyncFolderOf(const std::string& native) {
    const std::size_t slash = native.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : native.substr(0, slash));
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}
}  // namespace

FileResult WriteFileAtomic(const std::string& path, const std::string& bytes, std::string& error, Flush flush) {
    const std::string native = StorePath(path);
    const std::string temporary =
        native + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(++g_counter);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int code = errno;
        error = "cannot write " + path + ": " + std::strerror(code);
        return code == EACCES || code == EPERM || code == EROFS ? FileResult::Denied
             : code == ENOENT ? FileResult::NotFound : FileResult::Error;
    }
    const std::size_t half = bytes.size() / 2;
    bool ok = WriteAll(fd, bytes.data(), half);
    FaultPoint();  // half a temporary file on disk
    ok = ok && WriteAll(fd, bytes.data() + half, bytes.size() - half);
    FaultPoint();  // before the flush
    ok = ok && (flush == Flush::No || ::fsync(fd) == 0);
    const int code = errno;
    ::close(fd);
    if (!ok) {
        error = "cannot write " + path + ": " + std::strerror(code);
        ::unlink(temporary.c_str());
        return FileResult::Error;
    }
    FaultPoint();  // before the rename
    if (::rename(temporary.c_str(), native.c_str()) != 0) {
        error = "cannot replace " + path + ": " + std::strerror(errno);
        ::unlink(temporary.c_str());
        return FileResult::Error;
    }
    FaultPoint();  // before the folder flush
    if (flush == Flush::Yes) SyncFolderOf(native);
    return FileResult::Ok;
}

}  // namespace kelm::platform

#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/posix/PosixFiles.h"

namespace kelm::platform {
namespace {
using posix::Failed;
using posix::WriteAll;

std::atomic<unsigned> g_counter{0};

// A write step: fault injection first (it may end the process or fail the step).
bool Step(bool ok) {
    if (!ok) return false;
    if (const int injected = posix::InjectedError(FaultPoint())) {
        errno = injected;
        return false;
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
    const std::string native = NativePath(path);
    const std::string temporary =
        native + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(++g_counter);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return Failed("cannot write", path, errno, error);
    const std::size_t half = bytes.size() / 2;
    bool ok = Step(WriteAll(fd, bytes.data(), half));                            // half a temporary file on disk
    ok = Step(ok && WriteAll(fd, bytes.data() + half, bytes.size() - half));     // before the flush
    ok = ok && (flush == Flush::No || ::fsync(fd) == 0);
    const int code = errno;
    if (::close(fd) != 0) ok = false;
    if (!ok) {
        ::unlink(temporary.c_str());
        return Failed("cannot write", path, code, error);
    }
    if (!Step(true) || ::rename(temporary.c_str(), native.c_str()) != 0) {  // before the rename
        const int renameCode = errno;
        ::unlink(temporary.c_str());
        return Failed("cannot replace", path, renameCode, error);
    }
    FaultPoint();  // before the folder flush
    if (flush == Flush::Yes) SyncFolderOf(native);
    return FileResult::Ok;
}

FileResult AppendDurably(const std::string& path, const std::string& bytes, std::string& error) {
    const std::string native = NativePath(path);
    bool created = false;
    int fd = ::open(native.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(native.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        created = true;
    }
    if (fd < 0) return Failed("cannot write", path, errno, error);
    const std::size_t half = bytes.size() / 2;
    bool ok = Step(WriteAll(fd, bytes.data(), half));                         // half the bytes appended
    ok = Step(ok && WriteAll(fd, bytes.data() + half, bytes.size() - half));  // before the flush
    ok = ok && ::fdatasync(fd) == 0;
    const int code = errno;
    if (::close(fd) != 0) ok = false;
    if (!ok) return Failed("cannot write", path, code, error);
    if (created) SyncFolderOf(native);
    return FileResult::Ok;
}

bool TouchFile(const std::string& path) {
    const std::string native = NativePath(path);
    struct stat info {};
    if (!Step(true) || ::stat(native.c_str(), &info) != 0) return false;
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    timespec next = info.st_mtim;
    if (++next.tv_nsec >= 1000000000L) {
        next.tv_nsec = 0;
        ++next.tv_sec;
    }
    if (now.tv_sec > next.tv_sec || (now.tv_sec == next.tv_sec && now.tv_nsec > next.tv_nsec)) next = now;
    const timespec times[2] = {{0, UTIME_OMIT}, next};
    return ::utimensat(AT_FDCWD, native.c_str(), times, 0) == 0;
}

}  // namespace kelm::platform

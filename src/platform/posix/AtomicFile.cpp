#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
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

}  // namespace kelm::platform

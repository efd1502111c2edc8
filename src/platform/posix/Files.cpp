// Files off Windows: '\' is a separator; exclusive appends use O_APPEND with
// a non-blocking exclusive flock.
#include "platform/Files.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/CodePage.h"

namespace kelm::platform {

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

bool CreateOneFolder(const std::string& path) { return ::mkdir(NativePath(path).c_str(), 0777) == 0; }

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
    const int fd = static_cast<int>(m_handle);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;  // write() leaves nothing buffered in the process
}

bool AppendFile::Close() {
    if (!IsOpen()) return false;
    const int fd = static_cast<int>(m_handle);
    m_handle = kClosed;
    return ::close(fd) == 0;  // closing also releases the flock
}

}  // namespace kelm::platform

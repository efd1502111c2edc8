#include "platform/ReadOnlyFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Files.h"

namespace kelm::platform {

// Reads go to the open descriptor, one positioned read each, so that a
// lookup costs the pages it reads, not a mapping of the whole file.
bool ReadOnlyFile::Open(const std::string& path) {
    Close();
    const int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        return false;
    }
    m_descriptor = fd;
    m_size = static_cast<std::uint64_t>(info.st_size);
    return true;
}

void ReadOnlyFile::Close() {
    if (m_descriptor >= 0) ::close(m_descriptor);
    m_descriptor = -1;
    m_size = 0;
}

bool ReadOnlyFile::ReadAt(std::uint64_t offset, std::size_t size, std::string& out) const {
    if (m_descriptor < 0 || offset > m_size || m_size - offset < size) return false;
    out.resize(size);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(m_descriptor, out.data() + done, size - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        done += static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace kelm::platform

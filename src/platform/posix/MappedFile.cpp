#include "platform/MappedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Files.h"

namespace kelm::platform {

bool MappedFile::Open(const std::string& path) {
    Close();
    const int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        return false;
    }
    m_size = static_cast<std::size_t>(info.st_size);
    if (m_size > 0) {
        void* view = ::mmap(nullptr, m_size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (view != MAP_FAILED) {
            m_view = view;
            m_data = static_cast<const char*>(view);
        } else {
            ::close(fd);
            return ReadInstead(path);
        }
    }
    ::close(fd);
    return true;
}

void MappedFile::Unmap() {
    if (m_view) ::munmap(m_view, m_size);
}

}  // namespace kelm::platform

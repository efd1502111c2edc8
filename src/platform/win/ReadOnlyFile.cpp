#include "platform/ReadOnlyFile.h"

#include "platform/Files.h"

namespace kelm::platform {

// Windows refuses to replace a file while a process holds it open without
// sharing its deletion, and the store replaces derived files by renaming a
// new one over them: a file held by one session would keep every other from
// writing it. So the bytes are read here at once, and nothing stays open.
bool ReadOnlyFile::Open(const std::string& path) {
    Close();
    std::string error;
    if (ReadWholeFile(path, m_copy, error) != FileResult::Ok) {
        m_copy.clear();
        return false;
    }
    m_size = m_copy.size();
    return true;
}

void ReadOnlyFile::Close() {
    m_copy.clear();
    m_size = 0;
}

bool ReadOnlyFile::ReadAt(std::uint64_t offset, std::size_t size, std::string& out) const {
    if (offset > m_size || m_size - offset < size) return false;
    out.assign(m_copy, static_cast<std::size_t>(offset), size);
    return true;
}

}  // namespace kelm::platform

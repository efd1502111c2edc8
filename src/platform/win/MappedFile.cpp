#include "platform/MappedFile.h"

#include "platform/Files.h"

namespace kelm::platform {

// Windows refuses to replace a file while any process has a view of it, and
// the store replaces derived files by renaming a new one over them: a view
// held by one session would keep every other from writing the file. So the
// bytes are read here, and nothing stays open.
bool MappedFile::Open(const std::string& path) {
    Close();
    std::string error;
    if (ReadWholeFile(path, m_copy, error) != FileResult::Ok) {
        Close();
        return false;
    }
    m_data = m_copy.data();
    m_size = m_copy.size();
    return true;
}

void MappedFile::Unmap() {}  // nothing is mapped here

}  // namespace kelm::platform

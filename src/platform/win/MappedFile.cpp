#include "platform/MappedFile.h"

namespace kelm::platform {

// Windows refuses to replace a file while any process has a view of it, and
// the store replaces derived files by renaming a new one over them: a view
// held by one session would keep every other from writing the file. So the
// bytes are read here, and nothing stays open.
bool MappedFile::Open(const std::string& path) {
    Close();
    return ReadInstead(path);
}

void MappedFile::Unmap() {}  // nothing is mapped here

}  // namespace kelm::platform

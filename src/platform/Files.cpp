// The parts of the file seam that every system shares.
#include "platform/Files.h"

namespace kelm::platform {

bool MakeFolders(const std::string& path) {
    const std::string native = NativePath(path);
    for (std::size_t end = native.find_first_of("\\/", 1);; end = native.find_first_of("\\/", end + 1)) {
        const std::string partial = native.substr(0, end);
        // Drive letters ("C:") and folders that exist already are stepped over.
        if (!partial.empty() && partial.back() != ':' && !IsFolder(partial)) CreateOneFolder(partial);
        if (end == std::string::npos) break;
    }
    return IsFolder(path);
}

bool AppendExclusive(const std::string& path, const std::string& bytes) {
    AppendFile file;
    if (!file.Open(path)) return false;
    const bool written = file.Write(bytes);
    const bool closed = file.Close();
    return written && closed;
}

}  // namespace kelm::platform

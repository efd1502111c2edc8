#include "platform/Files.h"

namespace kelm::platform {

bool AppendExclusive(const std::string& path, const std::string& bytes) {
    AppendFile file;
    if (!file.Open(path)) return false;
    const bool written = file.Write(bytes);
    const bool closed = file.Close();
    return written && closed;
}

}  // namespace kelm::platform

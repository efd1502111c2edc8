// The temporary file names of WriteFileAtomic (shared by every system).
#include "platform/AtomicFile.h"

#include <cctype>

namespace kelm::platform {

bool IsTemporaryFileName(const std::string& name, long& writer) {
    // <target>.tmp-<process>-<count>
    const std::size_t mark = name.rfind(".tmp-");
    if (mark == std::string::npos || mark == 0) return false;
    const std::size_t dash = name.find('-', mark + 5);
    if (dash == std::string::npos || dash == mark + 5 || dash + 1 == name.size() || dash - mark - 5 > 9) return false;
    for (std::size_t i = mark + 5; i < name.size(); ++i)
        if (i != dash && !std::isdigit(static_cast<unsigned char>(name[i]))) return false;
    writer = std::stol(name.substr(mark + 5, dash - mark - 5));
    return true;
}

}  // namespace kelm::platform

#include "platform/Terminal.h"

#include <unistd.h>

namespace kelm::platform {

bool IsTerminal(std::FILE* stream) { return stream != nullptr && ::isatty(::fileno(stream)) == 1; }

}  // namespace kelm::platform

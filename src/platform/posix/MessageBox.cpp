// Without a desktop the message box becomes one line on standard error.
#include "platform/MessageBox.h"

#include <cstdio>

namespace kelm::platform {

std::string LoadModuleString(unsigned, const std::string& fallback) { return fallback; }

namespace detail {
void ShowErrorMessageNative(const std::string& text, const std::string& caption) {
    const std::string line = caption + ": " + text + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}
}  // namespace detail

}  // namespace kelm::platform

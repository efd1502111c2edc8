#include "platform/MessageBox.h"

#include <windows.h>

namespace kelm::platform {
namespace {
// Any address inside this module finds the module's handle, whether the code
// is linked into KelmAPI.dll or into a program.
const char g_moduleAnchor = 0;

HMODULE OwnModule() {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            &g_moduleAnchor, &module)) {
        return nullptr;
    }
    return module;
}
}  // namespace

std::string LoadModuleString(unsigned id, const std::string& fallback) {
    HMODULE module = OwnModule();
    if (module == nullptr) return fallback;
    char buffer[1024];
    const int length = LoadStringA(module, id, buffer, static_cast<int>(sizeof buffer));
    if (length <= 0) return fallback;
    return std::string(buffer, static_cast<std::size_t>(length));
}

namespace detail {
void ShowErrorMessageNative(const std::string& text, const std::string& caption) {
    MessageBoxA(GetActiveWindow(), text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
}
}  // namespace detail

}  // namespace kelm::platform

// On Windows the 8-bit text is in the current ANSI code page: its lead bytes,
// its lower-casing, and its conversions to and from automation strings.
#include "platform/CodePage.h"

#include <windows.h>

#include <climits>

namespace kelm::platform {
namespace detail {
bool SystemIsLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }
char SystemLowerChar(char c) {
    char buffer[1] = {c};
    CharLowerBuffA(buffer, 1);
    return buffer[0];
}
bool SystemIsRepresentable(std::string_view text) {
    if (text.empty()) return true;
    if (text.size() > INT_MAX) return false;
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0) > 0;
}
}  // namespace detail

std::string ToAnsi(const OLECHAR* text, std::size_t length) {
    if (text == nullptr || length == 0 || length > INT_MAX) return {};
    const int wideLength = static_cast<int>(length);
    // A character the code page lacks becomes the substitute byte 0x1A, not
    // '?': the name rules then refuse it instead of storing a different
    // name. A UTF-8 code page has every character and takes no default.
    const char* lost = GetACP() == CP_UTF8 ? nullptr : "\x1A";
    const int size = WideCharToMultiByte(CP_ACP, 0, text, wideLength, nullptr, 0, lost, nullptr);
    if (size <= 0) return {};
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, wideLength, out.data(), size, lost, nullptr);
    return out;
}

std::string BstrToAnsi(BSTR text) {
    if (text == nullptr) return {};
    return ToAnsi(text, SysStringLen(text));
}

std::u16string AnsiToWide(std::string_view text) {
    if (text.empty() || text.size() > INT_MAX) return {};
    const int narrowLength = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), narrowLength, nullptr, 0);
    if (size <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), narrowLength, wide.data(), size);
    return std::u16string(wide.begin(), wide.end());
}

BSTR AnsiToBstr(std::string_view text) {
    if (text.size() > INT_MAX) return nullptr;
    const int narrowLength = static_cast<int>(text.size());
    const int size = text.empty() ? 0 : MultiByteToWideChar(CP_ACP, 0, text.data(), narrowLength, nullptr, 0);
    BSTR out = SysAllocStringLen(nullptr, static_cast<UINT>(size));
    if (out == nullptr) return nullptr;
    if (size > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), narrowLength, out, size);
    return out;
}

}  // namespace kelm::platform

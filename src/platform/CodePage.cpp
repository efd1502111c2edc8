// The code-page rules shared by every platform: the test tables, and
// lower-casing and comparison built on the lead-byte test.
#include "platform/CodePage.h"

#include <atomic>

namespace kelm::platform {
namespace {

std::atomic<unsigned> g_testCodePage{0};  // 0: the process's own code page

bool IsLeadByte932(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

void SetCodePageForTesting(unsigned codePage) { g_testCodePage = codePage; }

bool IsLeadByte(unsigned char byte) {
    const unsigned codePage = g_testCodePage;
    if (codePage == 0) return detail::SystemIsLeadByte(byte);
    return codePage == 932 && IsLeadByte932(byte);
}

char LowerChar(char c) {
    if (g_testCodePage != 0) return AsciiLower(c);
    return detail::SystemLowerChar(c);
}

std::string LowerString(std::string_view text) {
    std::string lower;
    lower.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
            lower += text[i];
            lower += text[++i];
        } else {
            lower += LowerChar(text[i]);
        }
    }
    return lower;
}

int CompareNoCase(std::string_view a, std::string_view b) {
    const std::string la = LowerString(a);
    const std::string lb = LowerString(b);
    const std::size_t common = la.size() < lb.size() ? la.size() : lb.size();
    for (std::size_t i = 0; i < common; ++i) {
        const auto ca = static_cast<unsigned char>(la[i]);
        const auto cb = static_cast<unsigned char>(lb[i]);
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (la.size() == lb.size()) return 0;
    return la.size() < lb.size() ? -1 : 1;
}

}  // namespace kelm::platform

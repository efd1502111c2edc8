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

bool IsRepresentable(std::string_view text) {
    if (text.find('\x1A') != std::string_view::npos) return false;
    const unsigned codePage = g_testCodePage;
    if (codePage == 0) return detail::SystemIsRepresentable(text);
    if (codePage != 932) return true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!IsLeadByte932(static_cast<unsigned char>(text[i]))) continue;
        if (++i == text.size()) return false;
        const auto trail = static_cast<unsigned char>(text[i]);
        if (trail < 0x40 || trail == 0x7F || trail > 0xFC) return false;
    }
    return true;
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

namespace {

// The bytes of a string as LowerString gives them, one at a time, without
// building the lower-cased copy.
class LoweredBytes {
public:
    explicit LoweredBytes(std::string_view text) : m_text(text) {}
    bool Next(unsigned char& byte) {
        if (m_pos >= m_text.size()) return false;
        if (m_trailPending) {
            m_trailPending = false;
            byte = static_cast<unsigned char>(m_text[m_pos++]);
            return true;
        }
        const char c = m_text[m_pos++];
        if (IsLeadByte(static_cast<unsigned char>(c)) && m_pos < m_text.size()) {
            m_trailPending = true;
            byte = static_cast<unsigned char>(c);
        } else {
            byte = static_cast<unsigned char>(LowerChar(c));
        }
        return true;
    }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
    bool m_trailPending = false;
};

}  // namespace

int CompareNoCase(std::string_view a, std::string_view b) {
    LoweredBytes left(a);
    LoweredBytes right(b);
    for (;;) {
        unsigned char ca = 0;
        unsigned char cb = 0;
        const bool moreA = left.Next(ca);
        const bool moreB = right.Next(cb);
        if (!moreA || !moreB) return moreA ? 1 : (moreB ? -1 : 0);
        if (ca != cb) return ca < cb ? -1 : 1;
    }
}

}  // namespace kelm::platform

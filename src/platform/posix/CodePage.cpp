// Off Windows the 8-bit text is UTF-8: no byte of it hides a backslash, so
// there are no lead bytes, and lower-casing touches ASCII letters only.
// Automation strings are UTF-16; surrogate pairs become one 4-byte sequence.
#include "platform/CodePage.h"

#include <algorithm>

namespace kelm::platform {
namespace detail {
bool SystemIsLeadByte(unsigned char) { return false; }
char SystemLowerChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace detail

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out += static_cast<char16_t>(cp);
    } else {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
}

// Decodes one UTF-8 sequence at text[i]; advances i. A malformed sequence
// (bad lead, missing or bad continuation, overlong form, surrogate, beyond
// U+10FFFF) gives U+FFFD for its first byte.
char32_t DecodeUtf8(std::string_view text, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    int length = 0;
    char32_t cp = 0;
    if (lead < 0x80) { ++i; return lead; }
    if (lead >= 0xC2 && lead <= 0xDF) { length = 2; cp = lead & 0x1F; }
    else if (lead >= 0xE0 && lead <= 0xEF) { length = 3; cp = lead & 0x0F; }
    else if (lead >= 0xF0 && lead <= 0xF4) { length = 4; cp = lead & 0x07; }
    else { ++i; return kReplacement; }
    if (i + static_cast<std::size_t>(length) > text.size()) { ++i; return kReplacement; }
    for (int k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
        if ((next & 0xC0) != 0x80) { ++i; return kReplacement; }
        cp = (cp << 6) | (next & 0x3F);
    }
    const bool overlong = (length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000);
    if (overlong || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) { ++i; return kReplacement; }
    i += static_cast<std::size_t>(length);
    return cp;
}

}  // namespace

namespace detail {
// Valid UTF-8 without U+FFFD, the mark of a character already lost.
bool SystemIsRepresentable(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        if (DecodeUtf8(text, i) == kReplacement) return false;
    }
    return true;
}
}  // namespace detail

std::string ToAnsi(const OLECHAR* text, std::size_t length) {
    std::string out;
    if (text == nullptr) return out;
    out.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
        char32_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            unit = 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            unit = kReplacement;  // a lone surrogate
        }
        AppendUtf8(out, unit);
    }
    return out;
}

std::string BstrToAnsi(BSTR text) {
    if (text == nullptr) return {};
    return ToAnsi(text, SysStringLen(text));
}

std::u16string AnsiToWide(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) AppendUtf16(out, DecodeUtf8(text, i));
    return out;
}

BSTR AnsiToBstr(std::string_view text) {
    // Plain ASCII, the usual item name, is widened in place.
    const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) {
        BSTR out = SysAllocStringLen(nullptr, static_cast<UINT>(text.size()));
        if (out != nullptr) std::copy(text.begin(), text.end(), out);
        return out;
    }
    const std::u16string wide = AnsiToWide(text);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

}  // namespace kelm::platform

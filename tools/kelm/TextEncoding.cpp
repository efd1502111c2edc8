#include "TextEncoding.h"

#include <algorithm>
#include <cstdio>

namespace kelmcli {
namespace {

// Windows-1252 0x80-0x9F; 0 where the code page has no character.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The length of the valid UTF-8 sequence at text[i]; 0 when it is not one
// (overlong forms, surrogates and values above U+10FFFF are not).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) return 1;
    std::size_t length = 0;
    char32_t code = 0;
    char32_t minimum = 0;
    if (c >= 0xC2 && c <= 0xDF) length = 2, code = c & 0x1F, minimum = 0x80;
    else if (c >= 0xE0 && c <= 0xEF) length = 3, code = c & 0x0F, minimum = 0x800;
    else if (c >= 0xF0 && c <= 0xF4) length = 4, code = c & 0x07, minimum = 0x10000;
    else return 0;
    if (i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned char next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) return 0;
        code = (code << 6) | (next & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

std::string Where(std::string_view bytes, std::size_t at) {
    const long line = 1 + static_cast<long>(std::count(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
    const std::size_t lineStart = bytes.rfind('\n', at == 0 ? 0 : at - 1);
    const std::size_t column = at - (lineStart == std::string_view::npos || at == 0 ? 0 : lineStart + 1) + 1;
    char text[96];
    std::snprintf(text, sizeof text, "line %ld, byte %zu (0x%02X)", line, column, static_cast<unsigned char>(bytes[at]));
    return text;
}

}  // namespace

bool ParseEncoding(std::string_view name, Encoding& encoding) {
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "utf-8" || lower == "utf8" || lower == "library") encoding = Encoding::Utf8;
    else if (lower == "cp1252" || lower == "windows-1252") encoding = Encoding::Cp1252;
    else if (lower == "latin1" || lower == "iso-8859-1") encoding = Encoding::Latin1;
    else return false;
    return true;
}

const char* EncodingNames() { return "utf-8, cp1252, latin1, library"; }

bool DecodeToUtf8(std::string_view bytes, Encoding encoding, std::string& text, std::string& error) {
    text.clear();
    if (encoding == Encoding::Utf8) {
        if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
        for (std::size_t i = 0; i < bytes.size();) {
            const std::size_t length = Utf8SequenceLength(bytes, i);
            if (length == 0) {
                error = Where(bytes, i) + ": not UTF-8; if the file comes from a Windows or Latin-1 export, "
                                          "give its encoding (--encoding cp1252 or --encoding latin1)";
                return false;
            }
            i += length;
        }
        text.assign(bytes);
        return true;
    }
    text.reserve(bytes.size() + bytes.size() / 8);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        char32_t code = c;
        if (encoding == Encoding::Cp1252 && c >= 0x80 && c <= 0x9F) {
            code = kCp1252High[c - 0x80];
            if (code == 0) {
                error = Where(bytes, i) + ": no character in cp1252; is the file latin1 or utf-8?";
                return false;
            }
        }
        AppendUtf8(text, code);
    }
    return true;
}

}  // namespace kelmcli

// The encodings an import file may come in, and their decoding to the UTF-8
// the tool works in. Decoding never replaces a byte: a byte that has no
// character in the file's encoding is an error naming its line.
#pragma once

#include <string>
#include <string_view>

namespace kelmcli {

enum class Encoding {
    Utf8,    // also the library's own 8-bit code page on this system
    Cp1252,  // Windows-1252, what Windows spreadsheets export in Western Europe
    Latin1,  // ISO 8859-1
};

// "utf-8" (or "utf8"), "cp1252" (or "windows-1252"), "latin1" (or
// "iso-8859-1"), "library"; case is ignored. False for any other name.
bool ParseEncoding(std::string_view name, Encoding& encoding);
// The names --encoding takes, for help and messages.
const char* EncodingNames();

// The text as UTF-8, without a leading byte-order mark. On a byte that is
// not a character of the encoding, false with error naming the line and
// the byte.
bool DecodeToUtf8(std::string_view bytes, Encoding encoding, std::string& text, std::string& error);

}  // namespace kelmcli

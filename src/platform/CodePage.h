// The 8-bit text seam. Inside the component names and paths are 8-bit
// strings: the ANSI code page on Windows, UTF-8 elsewhere (whose bytes never
// hide a backslash, so there are no lead bytes). Tests can switch to the
// double-byte table of code page 932 (lead bytes 0x81-0x9F and 0xE0-0xFC) to
// exercise the double-byte rules on any platform.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "kelmapi/automation.h"

namespace kelm::platform {

// True when the byte starts a double-byte character in the current code page.
bool IsLeadByte(unsigned char byte);

// 8-bit lower-casing of the current code page; characters without a lower
// case form stay as they are (off Windows: ASCII letters only).
char LowerChar(char c);
// Lower-cases every single-byte character; double-byte characters are
// copied unchanged (their trail byte may look like a letter).
std::string LowerString(std::string_view text);

// Case-insensitive comparison of 8-bit strings in the current code page:
// negative, zero or positive, comparing the lower-cased bytes unsigned.
int CompareNoCase(std::string_view a, std::string_view b);

// Whether text holds only characters of the current code page: no byte
// sequence the code page does not define, and no character that stands for
// one lost in the conversion from an automation string (off Windows U+FFFD,
// on Windows the substitute byte 0x1A that ToAnsi writes instead of '?').
bool IsRepresentable(std::string_view text);

// Automation strings to 8-bit and back (off Windows: UTF-16 <-> UTF-8; on
// Windows the ANSI code page). A null BSTR is the empty string.
std::string ToAnsi(const OLECHAR* text, std::size_t length);
std::string BstrToAnsi(BSTR text);
std::u16string AnsiToWide(std::string_view text);
// A newly allocated BSTR, or null when it cannot be allocated.
BSTR AnsiToBstr(std::string_view text);

// 0 restores the process's own code page; 932 selects the double-byte table;
// any other value selects a single-byte table with ASCII lower-casing.
void SetCodePageForTesting(unsigned codePage);

namespace detail {
// The process's own code page (src/platform/posix or win).
bool SystemIsLeadByte(unsigned char byte);
char SystemLowerChar(char c);
bool SystemIsRepresentable(std::string_view text);
}  // namespace detail

}  // namespace kelm::platform

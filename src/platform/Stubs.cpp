// Platform seams: not built yet.
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/Files.h"

namespace kelm::platform {
bool IsLeadByte(unsigned char) { return false; }
char LowerChar(char c) { return c; }
std::string LowerString(std::string_view text) { return std::string(text); }
int CompareNoCase(std::string_view a, std::string_view b) { return a.compare(b); }
std::string ToAnsi(const OLECHAR*, std::size_t) { return {}; }
std::string BstrToAnsi(BSTR) { return {}; }
std::u16string AnsiToWide(std::string_view) { return {}; }
BSTR AnsiToBstr(std::string_view) { return nullptr; }
void SetCodePageForTesting(unsigned) {}
std::int64_t NowSeconds() { return 0; }
bool FormatLocalTime(std::int64_t, std::string&) { return false; }
void SetClockForTesting(std::function<std::int64_t()>) {}
std::string NativePath(const std::string& path) { return path; }
bool PathExistsOnDisk(const std::string&) { return false; }
bool CreateOneFolder(const std::string&) { return false; }
bool AppendExclusive(const std::string&, const std::string&) { return false; }
}  // namespace kelm::platform

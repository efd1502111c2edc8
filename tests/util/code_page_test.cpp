// The 8-bit text seam: lead bytes, lower-casing, case-insensitive order and
// automation string conversion.
#include <gtest/gtest.h>
#include "platform/CodePage.h"
#include "util/AutoTypes.h"

namespace kelm::platform {
namespace {
TEST(CodePage, DoubleByteCharactersStayWholeAndCompareNoCaseOrdersIgnoringCase) {
    SetCodePageForTesting(932);
    for (int b : {0x81, 0x9F, 0xE0, 0xFC}) EXPECT_TRUE(IsLeadByte(static_cast<unsigned char>(b))) << b;
    for (int b : {0x00, 0x5C, 0x80, 0xA0, 0xDF, 0xFD, 0xFF}) EXPECT_FALSE(IsLeadByte(static_cast<unsigned char>(b))) << b;
    // 0x82 0x41 is one character whose trail byte looks like 'A'.
    EXPECT_EQ("ab\x82" "A" "c", LowerString("AB\x82" "AC"));
    EXPECT_EQ(0, CompareNoCase("X\x82" "A", "x\x82" "A"));
    EXPECT_NE(0, CompareNoCase("\x82" "A", "\x82" "a"));
    SetCodePageForTesting(0);
#if !defined(_WIN32)
    for (int b = 0; b < 256; ++b) EXPECT_FALSE(IsLeadByte(static_cast<unsigned char>(b))) << b;
    EXPECT_EQ("\xC3\x84x", LowerString("\xC3\x84X"));  // bytes >= 0x80 unchanged
#endif
    EXPECT_EQ(0, CompareNoCase(".Qvm", ".qvM"));
    EXPECT_LT(CompareNoCase("alpha", "Zeta"), 0);
    EXPECT_GT(CompareNoCase("Zeta", "alpha"), 0);
    EXPECT_LT(CompareNoCase("abc", "ABCD"), 0);  // a prefix sorts first
    EXPECT_LT(CompareNoCase("", "a"), 0);
    EXPECT_LT(CompareNoCase("z", "\x80"), 0);    // bytes compare unsigned
}
TEST(CodePage, WideAndAutomationStringsRoundTrip) {
#if !defined(_WIN32)
    const std::u16string wide = u"Gr\u00FC\u00DFe \u20AC \U0001F600";
    const std::string narrow = ToAnsi(wide.data(), wide.size());
    EXPECT_EQ("Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC \xF0\x9F\x98\x80", narrow);  // the pair is one character
    EXPECT_EQ(wide, AnsiToWide(narrow));
    const char16_t lone[] = {u'a', 0xD800, u'b'};
    EXPECT_EQ("a\xEF\xBF\xBD" "b", ToAnsi(lone, 3));  // a lone surrogate becomes U+FFFD
    EXPECT_EQ(u"a\uFFFDb", AnsiToWide("a\xFF" "b"));   // so does a malformed byte
    EXPECT_EQ("\xF0\x9F\x98\x80\xEE\x80\x80", ToAnsi(u"\U0001F600\uE000", 3));  // a pair before a high character
#endif
    EXPECT_EQ(u"plain", AnsiToWide("plain"));
    EXPECT_EQ("", BstrToAnsi(nullptr));
    AutoBstr text(AnsiToBstr("Main.qvm"));
    EXPECT_EQ(8u, SysStringLen(text.get()));
    EXPECT_EQ("Main.qvm", BstrToAnsi(text.get()));
    AutoBstr empty(AnsiToBstr(""));
    ASSERT_NE(nullptr, empty.get());  // the empty string is not the null string
    EXPECT_EQ(0u, SysStringLen(empty.get()));
    const std::string embedded("a\0b", 3);
    EXPECT_EQ(embedded, BstrToAnsi(AutoBstr(AnsiToBstr(embedded)).get()));
}
}  // namespace
}  // namespace kelm::platform

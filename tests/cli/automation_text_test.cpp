#include <gtest/gtest.h>

#include "AutomationText.h"

namespace kelmcli {
namespace {

TEST(AutomationText, Utf8AndUtf16RoundTripOutsideAscii) {
    const std::string text = "R\xC3\xA9sistance \xE2\x82\xAC \xF0\x9F\x94\x8C";  // é, €, and a surrogate pair
    const std::u16string wide = Utf8ToUtf16(text);
    EXPECT_EQ(wide.size(), 15u);
    EXPECT_EQ(Utf16ToUtf8(wide), text);
}

TEST(AutomationText, BrokenUtf8BecomesReplacementCharacters) {
    EXPECT_EQ(Utf8ToUtf16("a\xC3"), (std::u16string{u'a', u'\uFFFD'}));
    EXPECT_EQ(Utf8ToUtf16("\xE2\x28\xA1"), (std::u16string{u'\uFFFD', u'(', u'\uFFFD'}));
}

TEST(AutomationText, BstrKeepsEmbeddedNulsAndEmptyText) {
    Bstr empty("");
    ASSERT_NE(empty.get(), nullptr);
    EXPECT_EQ(SysStringLen(empty.get()), 0u);
    Bstr withNul(std::string_view("a\0b", 3));
    EXPECT_EQ(SysStringLen(withNul.get()), 3u);
    EXPECT_EQ(withNul.Utf8(), std::string("a\0b", 3));
    EXPECT_EQ(BstrToUtf8(nullptr), "");
}

TEST(AutomationText, StringArraysRoundTripAndOtherArraysAreRefused) {
    SAFEARRAY* array = StringsToSafeArray({"1", "", "\xC3\xA9"});
    ASSERT_NE(array, nullptr);
    std::vector<std::string> out = {"stale"};
    EXPECT_EQ(SafeArrayToStrings(array, out), S_OK);
    EXPECT_EQ(out, (std::vector<std::string>{"1", "", "\xC3\xA9"}));
    SafeArrayDestroy(array);

    SAFEARRAY* numbers = SafeArrayCreateVector(VT_I4, 0, 2);
    EXPECT_EQ(SafeArrayToStrings(numbers, out), E_INVALIDARG);
    SafeArrayDestroy(numbers);

    SAFEARRAY* none = StringsToSafeArray({});
    EXPECT_EQ(SafeArrayToStrings(none, out), S_OK);
    EXPECT_TRUE(out.empty());
    SafeArrayDestroy(none);
}

}  // namespace
}  // namespace kelmcli

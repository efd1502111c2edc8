// BSTR allocation: lengths, embedded NULs, null strings, reallocation.
#include <gtest/gtest.h>

#include "kelmapi/automation.h"

namespace {

TEST(Bstr, LengthCountsEmbeddedNulsAndTextIsTerminated) {
    const OLECHAR text[] = {u'a', 0, u'b', 0, u'c'};
    BSTR s = SysAllocStringLen(text, 5);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(SysStringLen(s), 5u);
    EXPECT_EQ(SysStringByteLen(s), 10u);
    EXPECT_EQ(s[2], u'b');
    EXPECT_EQ(s[4], u'c');
    EXPECT_EQ(s[5], 0);
    SysFreeString(s);

    s = SysAllocString(u"abc");  // stops at the first NUL
    EXPECT_EQ(SysStringLen(s), 3u);
    EXPECT_EQ(std::u16string(s, 3), u"abc");
    SysFreeString(s);

    BSTR empty = SysAllocString(u"");
    ASSERT_NE(empty, nullptr);  // an empty BSTR is not a null BSTR
    EXPECT_EQ(SysStringLen(empty), 0u);
    SysFreeString(empty);
}

TEST(Bstr, NullStringIsEmptyAndANullSourceGivesAZeroFilledStringOfThatLength) {
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(SysStringByteLen(nullptr), 0u);
    SysFreeString(nullptr);
    BSTR s = SysAllocStringLen(nullptr, 4);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(SysStringLen(s), 4u);
    for (int i = 0; i <= 4; ++i) EXPECT_EQ(s[i], 0);
    SysFreeString(s);
}

TEST(Bstr, OddByteLengthKeepsBytesAndTerminates) {
    BSTR s = SysAllocStringByteLen("xyz", 3);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(SysStringByteLen(s), 3u);
    EXPECT_EQ(SysStringLen(s), 1u);
    EXPECT_EQ(std::memcmp(s, "xyz", 3), 0);
    EXPECT_EQ(reinterpret_cast<const char*>(s)[3], 0);
    SysFreeString(s);
}

TEST(Bstr, ReallocReplacesAndFreesTheOldString) {
    BSTR s = SysAllocString(u"old");
    EXPECT_TRUE(SysReAllocString(&s, u"longer text"));
    EXPECT_EQ(SysStringLen(s), 11u);
    EXPECT_TRUE(SysReAllocStringLen(&s, u"ab", 1));
    EXPECT_EQ(SysStringLen(s), 1u);
    EXPECT_EQ(s[0], u'a');
    EXPECT_FALSE(SysReAllocString(nullptr, u"x"));
    SysFreeString(s);
}

}  // namespace

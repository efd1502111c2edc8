// BSTR allocation: lengths, embedded NULs, null strings, reallocation.
#include <gtest/gtest.h>

#include <cstring>

#include "kelmapi/automation.h"

namespace {

TEST(Bstr, LengthsTerminatorsNullSourcesAndReallocation) {
    const OLECHAR text[] = {u'a', 0, u'b', 0, u'c'};
    BSTR s = SysAllocStringLen(text, 5);  // embedded NULs count
    EXPECT_EQ(SysStringByteLen(s), 10u);
    EXPECT_EQ(s[4], u'c');
    EXPECT_EQ(s[5], 0);
    EXPECT_TRUE(SysReAllocString(&s, u"longer text"));  // stops at the first NUL
    EXPECT_EQ(SysStringLen(s), 11u);
    EXPECT_TRUE(SysReAllocStringLen(&s, u"ab", 1));
    EXPECT_EQ(SysStringLen(s), 1u);
    SysFreeString(s);
    s = SysAllocString(u"");  // an empty BSTR is not a null BSTR
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(SysStringLen(s), 0u);
    SysFreeString(s);
    s = SysAllocStringLen(nullptr, 4);  // zero-filled
    for (int i = 0; i <= 4; ++i) EXPECT_EQ(s[i], 0);
    SysFreeString(s);
    s = SysAllocStringByteLen("xyz", 3);  // an odd byte length
    EXPECT_EQ(SysStringByteLen(s), 3u);
    EXPECT_EQ(SysStringLen(s), 1u);
    EXPECT_EQ(std::memcmp(s, "xyz", 4), 0);
    SysFreeString(s);
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_FALSE(SysReAllocString(nullptr, u"x"));
    SysFreeString(nullptr);
}

}  // namespace

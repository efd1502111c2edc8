// String lists handed to clients as BSTR arrays, and their sort order.
#include <gtest/gtest.h>

#include "platform/CodePage.h"
#include "query/StringArrays.h"
#include "util/AutoTypes.h"

namespace kelm {
namespace {

bool AutomationAvailable() {
    AutoSafeArray probe(SafeArrayCreateVector(VT_BSTR, 0, 1));
    return probe.get() != nullptr;
}

// The elements of a BSTR array as 8-bit strings (null elements as "<null>").
StringList Elements(SAFEARRAY* array) {
    LONG lower = 0;
    LONG upper = -1;
    EXPECT_EQ(S_OK, SafeArrayGetLBound(array, 1, &lower));
    EXPECT_EQ(S_OK, SafeArrayGetUBound(array, 1, &upper));
    StringList out;
    SafeArrayDataLock lock(array);
    EXPECT_EQ(S_OK, lock.status());
    for (LONG i = 0; i <= upper - lower; ++i) {
        BSTR item = lock.data<BSTR>()[i];
        out.push_back(item == nullptr ? "<null>" : platform::BstrToAnsi(item));
    }
    return out;
}

class StringListToSafeArrayTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!AutomationAvailable()) GTEST_SKIP() << "automation arrays not available";
    }
};

TEST(StringListToSafeArrayNull, NullOutParameterIsRefused) {
    EXPECT_EQ(E_POINTER, StringListToSafeArray({"a"}, nullptr));
}

TEST_F(StringListToSafeArrayTest, OneDimensionalBstrArrayInListOrder) {
    AutoSafeArray array;
    ASSERT_EQ(S_OK, StringListToSafeArray({"Gates", "", "Gates"}, array.Out()));
    ASSERT_NE(nullptr, array.get());
    EXPECT_EQ(1u, SafeArrayGetDim(array.get()));
    VARTYPE vt = VT_EMPTY;
    EXPECT_EQ(S_OK, SafeArrayGetVartype(array.get(), &vt));
    EXPECT_EQ(VT_BSTR, vt);
    LONG lower = -1, upper = -1;
    EXPECT_EQ(S_OK, SafeArrayGetLBound(array.get(), 1, &lower));
    EXPECT_EQ(S_OK, SafeArrayGetUBound(array.get(), 1, &upper));
    EXPECT_EQ(0, lower);
    EXPECT_EQ(2, upper);
    EXPECT_EQ((StringList{"Gates", "", "Gates"}), Elements(array.get()));
    EXPECT_EQ(0u, array.get()->cLocks);  // the lock was released
}

TEST_F(StringListToSafeArrayTest, EmptyListGivesAnEmptyArrayNotNull) {
    AutoSafeArray array;
    ASSERT_EQ(S_OK, StringListToSafeArray({}, array.Out()));
    ASSERT_NE(nullptr, array.get());
    LONG lower = -1, upper = 0;
    EXPECT_EQ(S_OK, SafeArrayGetLBound(array.get(), 1, &lower));
    EXPECT_EQ(S_OK, SafeArrayGetUBound(array.get(), 1, &upper));
    EXPECT_EQ(0, lower);
    EXPECT_EQ(-1, upper);
}

TEST_F(StringListToSafeArrayTest, AnExistingArrayIsDestroyedAndReplaced) {
    SAFEARRAY* old = nullptr;
    ASSERT_EQ(S_OK, StringListToSafeArray({"old1", "old2"}, &old));
    SAFEARRAY* out = old;
    ASSERT_EQ(S_OK, StringListToSafeArray({"new"}, &out));  // a leak of `old` shows under the sanitizers
    AutoSafeArray owner(out);
    EXPECT_EQ((StringList{"new"}), Elements(out));
}

TEST_F(StringListToSafeArrayTest, NonAsciiNamesAreConverted) {
    AutoSafeArray array;
    const std::string name = platform::BstrToAnsi(AutoBstr(platform::AnsiToBstr("Widerst\xC3\xA4nde")).get());
    ASSERT_EQ(S_OK, StringListToSafeArray({name}, array.Out()));
    SafeArrayDataLock lock(array.get());
    ASSERT_EQ(S_OK, lock.status());
    const BSTR item = lock.data<BSTR>()[0];
    EXPECT_EQ(platform::AnsiToWide(name), std::u16string(reinterpret_cast<const char16_t*>(item), SysStringLen(item)));
}

TEST(SortStringList, CaseInsensitiveAscending) {
    StringList names{"beta", "Alpha", "gamma"};
    SortStringList(names);
    EXPECT_EQ((StringList{"Alpha", "beta", "gamma"}), names);
    StringList zeta{"Zeta", "alpha", "b_", "B1", ""};
    SortStringList(zeta);
    EXPECT_EQ((StringList{"", "alpha", "B1", "b_", "Zeta"}), zeta);  // '1' < '_' once case is ignored
    StringList empty;
    SortStringList(empty);
    EXPECT_TRUE(empty.empty());
}

TEST(SortStringList, EqualNamesIgnoringCaseEndUpTogether) {
    StringList names{"abc", "x", "ABC", "Abc", "a"};
    SortStringList(names);
    ASSERT_EQ(5u, names.size());
    EXPECT_EQ("a", names[0]);
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(0, platform::CompareNoCase("abc", names[static_cast<std::size_t>(i)]));
    EXPECT_EQ("x", names[4]);
}

TEST(SortStringList, ManyNamesAreOrdered) {
    StringList names;
    for (int i = 0; i < 500; ++i) names.push_back((i % 2 ? "N" : "n") + std::to_string((i * 7919) % 500));
    SortStringList(names);
    for (std::size_t i = 1; i < names.size(); ++i) EXPECT_LE(platform::CompareNoCase(names[i - 1], names[i]), 0);
}

}  // namespace
}  // namespace kelm

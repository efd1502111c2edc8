// String lists handed to clients as BSTR arrays, and their sort order.
#include <gtest/gtest.h>

#include "support/KelmOnLibrary.h"
#include "query/StringArrays.h"

namespace kelm {
namespace {

using testing::Strings;

TEST(StringListToSafeArray, OneDimensionalBstrArraysFromZeroInListOrderReplacingTheOldArray) {
    EXPECT_EQ(E_POINTER, StringListToSafeArray({"a"}, nullptr));
    AutoSafeArray array;
    ASSERT_EQ(S_OK, StringListToSafeArray({"Gates", "", "Gates"}, array.Out()));
    VARTYPE vt = VT_EMPTY;
    EXPECT_EQ(S_OK, SafeArrayGetVartype(array.get(), &vt));
    EXPECT_EQ(VT_BSTR, vt);
    EXPECT_EQ((StringList{"Gates", "", "Gates"}), Strings(array.get()));  // checks dimension and lower bound
    EXPECT_NE(nullptr, static_cast<BSTR*>(array.get()->pvData)[1]);  // an empty string, not a null one
    EXPECT_EQ(0u, array.get()->cLocks);  // the lock was released

    SAFEARRAY* out = array.release();
    ASSERT_EQ(S_OK, StringListToSafeArray({"new"}, &out));  // a leak of the old array shows under the sanitizers
    AutoSafeArray owner(out);
    EXPECT_EQ((StringList{"new"}), Strings(out));

    ASSERT_EQ(S_OK, StringListToSafeArray({}, owner.Out()));  // an empty array from 0, not null
    ASSERT_NE(nullptr, owner.get());
    EXPECT_TRUE(Strings(owner.get()).empty());
}

TEST(StringListToSafeArray, NonAsciiNamesAreConverted) {
    AutoSafeArray array;
    const std::string name = platform::BstrToAnsi(AutoBstr(platform::AnsiToBstr("Widerst\xC3\xA4nde")).get());
    ASSERT_EQ(S_OK, StringListToSafeArray({name}, array.Out()));
    SafeArrayDataLock lock(array.get());
    ASSERT_EQ(S_OK, lock.status());
    const BSTR item = lock.data<BSTR>()[0];
    EXPECT_EQ(platform::AnsiToWide(name), std::u16string(reinterpret_cast<const char16_t*>(item), SysStringLen(item)));
}

TEST(SortStringList, CaseInsensitiveAscendingWithEqualNamesTogether) {
    StringList names{"Zeta", "alpha", "b_", "B1", ""};
    SortStringList(names);
    EXPECT_EQ((StringList{"", "alpha", "B1", "b_", "Zeta"}), names);  // '1' < '_' once case is ignored
    StringList same{"abc", "x", "ABC", "Abc", "a"};
    SortStringList(same);
    ASSERT_EQ(5u, same.size());
    EXPECT_EQ("a", same[0]);
    for (std::size_t i = 1; i <= 3; ++i) EXPECT_EQ(0, platform::CompareNoCase("abc", same[i]));
    EXPECT_EQ("x", same[4]);
    StringList empty;
    SortStringList(empty);
    EXPECT_TRUE(empty.empty());
}

}  // namespace
}  // namespace kelm

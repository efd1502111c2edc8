// String lists handed to clients as BSTR arrays, and their sort order.
#include <gtest/gtest.h>
#include "support/KelmOnLibrary.h"
#include "query/StringArrays.h"

namespace kelm {
namespace {
using testing::Strings;
TEST(StringArrays, BstrArraysFromZeroInListOrderAndCaseInsensitiveSortWithEqualNamesTogether) {
    EXPECT_EQ(E_POINTER, StringListToSafeArray({"a"}, nullptr));
    AutoSafeArray array;
    const std::string wide = platform::BstrToAnsi(AutoBstr(platform::AnsiToBstr("Widerst\xC3\xA4nde")).get());
    ASSERT_EQ(S_OK, StringListToSafeArray({"Gates", "", wide}, array.Out()));
    VARTYPE vt = VT_EMPTY;
    EXPECT_EQ(S_OK, SafeArrayGetVartype(array.get(), &vt));
    EXPECT_EQ(VT_BSTR, vt);
    EXPECT_EQ((StringList{"Gates", "", wide}), Strings(array.get()));  // checks dimension and lower bound
    EXPECT_NE(nullptr, static_cast<BSTR*>(array.get()->pvData)[1]);   // an empty string, not a null one
    EXPECT_EQ(0u, array.get()->cLocks);
    SAFEARRAY* out = array.release();
    ASSERT_EQ(S_OK, StringListToSafeArray({}, &out));  // a leak of the old array shows under the sanitizers
    AutoSafeArray owner(out);
    ASSERT_NE(nullptr, out);  // an empty array from 0, not null
    EXPECT_TRUE(Strings(out).empty());
    StringList names{"Zeta", "abc", "b_", "B1", "", "ABC", "a"};
    SortStringList(names);
    ASSERT_EQ(7u, names.size());
    EXPECT_EQ((StringList{"", "a"}), StringList(names.begin(), names.begin() + 2));
    EXPECT_EQ(0, platform::CompareNoCase("abc", names[2]));
    EXPECT_EQ(0, platform::CompareNoCase("abc", names[3]));
    EXPECT_EQ((StringList{"B1", "b_", "Zeta"}), StringList(names.begin() + 4, names.end()));  // '1' < '_' once case is ignored
}
}  // namespace
}  // namespace kelm

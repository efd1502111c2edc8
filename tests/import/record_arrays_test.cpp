// Client arrays of strings into string lists, and the element count of the
// record walk.
#include <gtest/gtest.h>

#include "import/RecordArrays.h"
#include "platform/CodePage.h"
#include "util/AutoTypes.h"

namespace kelm {
namespace {

// A BSTR vector holding the texts; a null text leaves its slot null.
AutoSafeArray BstrArray(const std::vector<const char*>& texts, LONG lowerBound = 0) {
    AutoSafeArray array(SafeArrayCreateVector(VT_BSTR, lowerBound, static_cast<ULONG>(texts.size())));
    SafeArrayDataLock lock(array.get());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (texts[i] != nullptr) lock.data<BSTR>()[i] = platform::AnsiToBstr(texts[i]);
    }
    return array;
}

TEST(SafeArrayToStringList, RefusesNullAndNonStringArraysLeavingTheList) {
    StringList list{"kept"};
    EXPECT_EQ(E_FAIL, SafeArrayToStringList(nullptr, list));
    EXPECT_EQ((StringList{"kept"}), list);

    SAFEARRAY integers{};  // a descriptor of 32-bit integers: no string flag
    integers.cDims = 1;
    integers.fFeatures = FADF_HAVEVARTYPE;
    integers.cbElements = 4;
    integers.rgsabound[0].cElements = 3;
    EXPECT_EQ(E_FAIL, SafeArrayToStringList(&integers, list));
    AutoSafeArray vector(SafeArrayCreateVector(VT_I4, 0, 2));
    ASSERT_NE(nullptr, vector.get());
    EXPECT_EQ(E_FAIL, SafeArrayToStringList(vector.get(), list));
    EXPECT_EQ((StringList{"kept"}), list);
}

TEST(SafeArrayToStringList, ReplacesTheListInArrayOrderWhateverTheLowerBound) {
    StringList list{"old", "names"};
    AutoSafeArray pins = BstrArray({"1", "A2", "1", ""});
    EXPECT_EQ(S_OK, SafeArrayToStringList(pins.get(), list));
    EXPECT_EQ((StringList{"1", "A2", "1", ""}), list);  // duplicates and empty strings stay
    EXPECT_EQ(0u, pins.get()->cLocks);
    AutoSafeArray nulls = BstrArray({nullptr, nullptr, nullptr});
    EXPECT_EQ(S_OK, SafeArrayToStringList(nulls.get(), list));
    EXPECT_EQ((StringList{"", "", ""}), list);  // null elements are empty strings
    AutoSafeArray empty = BstrArray({});
    EXPECT_EQ(S_OK, SafeArrayToStringList(empty.get(), list));
    EXPECT_TRUE(list.empty());
    AutoSafeArray fromFive = BstrArray({"x", "y"}, 5);
    EXPECT_EQ(S_OK, SafeArrayToStringList(fromFive.get(), list));
    EXPECT_EQ((StringList{"x", "y"}), list);
}

TEST(SafeArrayToStringList, ALockThatFailsLeavesTheListEmpty) {
    AutoSafeArray pins = BstrArray({"1", "2"});
    pins.get()->cLocks = 0xFFFF;  // no lock is left to take
    StringList list{"old"};
    const HRESULT hr = SafeArrayToStringList(pins.get(), list);
    pins.get()->cLocks = 0;
    EXPECT_EQ(E_UNEXPECTED, hr);
    EXPECT_TRUE(list.empty());
}

TEST(RecordArrayCount, CountOfTheFirstBoundAndOfAClientVector) {
    EXPECT_EQ(0, RecordArrayCount(nullptr));
    SAFEARRAY array{};
    array.cDims = 1;
    array.rgsabound[0] = {7, 3};
    EXPECT_EQ(7, RecordArrayCount(&array));
    array.rgsabound[0].cElements = 0xFFFFFFFFu;  // read as a 32-bit signed count: nothing to visit
    EXPECT_LE(RecordArrayCount(&array), 0);
    array.cDims = 0;
    EXPECT_EQ(0, RecordArrayCount(&array));
    AutoSafeArray pins = BstrArray({"1", "2", "3"}, 1);
    EXPECT_EQ(3, RecordArrayCount(pins.get()));
}

}  // namespace
}  // namespace kelm

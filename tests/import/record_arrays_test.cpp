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
    for (std::size_t i = 0; i < texts.size(); ++i)
        if (texts[i] != nullptr) lock.data<BSTR>()[i] = platform::AnsiToBstr(texts[i]);
    return array;
}
TEST(SafeArrayToStringList, ReplacesTheListInArrayOrderOrRefusesLeavingItAlone) {
    StringList list{"kept"};
    SAFEARRAY integers{};  // a descriptor of 32-bit integers: no string flag
    integers.cDims = 1;
    integers.fFeatures = FADF_HAVEVARTYPE;
    integers.cbElements = 4;
    integers.rgsabound[0].cElements = 3;
    for (SAFEARRAY* refused : {static_cast<SAFEARRAY*>(nullptr), &integers}) {
        EXPECT_EQ(E_FAIL, SafeArrayToStringList(refused, list));
        EXPECT_EQ((StringList{"kept"}), list);
    }
    const struct { std::vector<const char*> texts; LONG lowerBound; StringList list; } cases[] = {
        {{"1", "A2", "1", ""}, 0, {"1", "A2", "1", ""}},  // duplicates and empty strings stay
        {{nullptr, nullptr}, 0, {"", ""}},               // null elements are empty strings
        {{}, 0, {}},
        {{"x", "y"}, 5, {"x", "y"}},
    };
    for (const auto& c : cases) {
        AutoSafeArray array = BstrArray(c.texts, c.lowerBound);
        EXPECT_EQ(S_OK, SafeArrayToStringList(array.get(), list));
        EXPECT_EQ(c.list, list);
        EXPECT_EQ(0u, array.get()->cLocks);
    }
    AutoSafeArray locked = BstrArray({"1", "2"});
    locked.get()->cLocks = 0xFFFF;  // no lock is left to take: the list is left empty
    list = {"old"};
    const HRESULT hr = SafeArrayToStringList(locked.get(), list);
    locked.get()->cLocks = 0;
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
}
}  // namespace
}  // namespace kelm

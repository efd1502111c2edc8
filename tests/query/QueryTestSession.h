// Helpers of the query tests: an open library session whose store is the
// scriptable double, and readers for the automation values the methods
// return.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "session/LibrarySession.h"
#include "support/ScriptedStore.h"
#include "support/TempFolder.h"
#include "util/AutoTypes.h"

namespace kelm::testing {

// A library session on the double, opened on an empty .qvm file that exists
// only so that the open test passes. The calls of the open are forgotten.
struct DoubleSession {
    DoubleSession() : qvmFile(folder.File("Main.qvm")) {}

    HRESULT Open() {
        const HRESULT hr = session.Open(qvmFile, "", VARIANT_FALSE);
        store->ClearCalls();
        return hr;
    }

    TempFolder folder;
    std::string qvmFile;
    std::shared_ptr<ScriptedStore> store = std::make_shared<ScriptedStore>();
    LibrarySession session{store};
};

// Fixture with an open session on the double.
class OpenDoubleSession : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(lib.Open(), S_OK); }
    ScriptedStore& Store() { return *lib.store; }
    LibrarySession& Session() { return lib.session; }

    DoubleSession lib;
};

// The strings of a one-dimensional BSTR array, in index order.
inline std::vector<std::string> Strings(SAFEARRAY* array) {
    std::vector<std::string> result;
    if (array == nullptr) {
        ADD_FAILURE() << "null array";
        return result;
    }
    EXPECT_EQ(SafeArrayGetDim(array), 1u);
    LONG lower = -1;
    LONG upper = -1;
    EXPECT_EQ(SafeArrayGetLBound(array, 1, &lower), S_OK);
    EXPECT_EQ(SafeArrayGetUBound(array, 1, &upper), S_OK);
    EXPECT_EQ(lower, 0);
    SafeArrayDataLock lock(array);
    if (FAILED(lock.status())) {
        ADD_FAILURE() << "array cannot be locked";
        return result;
    }
    BSTR* items = lock.data<BSTR>();
    for (LONG i = 0; i <= upper - lower; ++i) result.push_back(platform::BstrToAnsi(items[i]));
    return result;
}

inline std::string Text(BSTR text) { return platform::BstrToAnsi(text); }

inline AutoBstr Bstr(const std::string& text) { return AutoBstr(platform::AnsiToBstr(text)); }

// Values that no method writes by chance: an out-parameter that still holds
// one afterwards was left alone.
inline AutoSafeArray PreviousArray() { return AutoSafeArray(SafeArrayCreateVector(VT_BSTR, 0, 0)); }
inline AutoBstr PreviousBstr() { return Bstr("previous"); }
inline constexpr long kUntouchedCount = -77;

// The status of a call whose out-parameter must keep what the caller left in it.
template <typename Call>
HRESULT KeepsArray(Call call) {
    AutoSafeArray previous = PreviousArray();
    SAFEARRAY* out = previous.get();
    const HRESULT hr = call(&out);
    EXPECT_EQ(out, previous.get()) << "the out-array was written";
    return hr;
}
template <typename Call>
HRESULT KeepsBstr(Call call) {
    AutoBstr previous = PreviousBstr();
    BSTR out = previous.get();
    const HRESULT hr = call(&out);
    EXPECT_EQ(out, previous.get()) << "the out-string was written";
    return hr;
}

}  // namespace kelm::testing

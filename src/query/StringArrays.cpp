// String lists handed to automation clients, and their sort order.
#include "query/StringArrays.h"

#include <algorithm>

#include "platform/CodePage.h"
#include "util/AutoTypes.h"

namespace kelm {

HRESULT StringListToSafeArray(const StringList& list, SAFEARRAY** out) {
    RETURN_HR_IF_NULL(E_POINTER, out);
    // The caller's previous array goes first, before anything can fail.
    if (*out != nullptr) {
        SafeArrayDestroy(*out);
        *out = nullptr;
    }
    SAFEARRAYBOUND bound{static_cast<ULONG>(list.size()), 0};
    *out = SafeArrayCreate(VT_BSTR, 1, &bound);

    SafeArrayDataLock lock(*out);
    if (SUCCEEDED(lock.status())) {
        BSTR* slots = lock.data<BSTR>();
        for (std::size_t i = 0; i < list.size(); ++i) {
            slots[i] = platform::AnsiToBstr(list[i]);
            if (slots[i] == nullptr) {
                lock.Unlock();  // the caller owns the array, filled so far, already
                return E_OUTOFMEMORY;
            }
        }
    }
    lock.Unlock();
    return lock.status();
}

void SortStringList(StringList& list) {
    const auto less = [](const std::string& a, const std::string& b) { return platform::CompareNoCase(a, b) < 0; };
    // The store lists items sorted already, mostly in this order too.
    if (!std::is_sorted(list.begin(), list.end(), less)) std::sort(list.begin(), list.end(), less);
}

}  // namespace kelm

// Reading client arrays of strings into string lists. The component only
// reads: the client keeps every array and string.
#include "import/RecordArrays.h"

#include "platform/CodePage.h"
#include "util/AutoTypes.h"

namespace kelm {

HRESULT SafeArrayToStringList(SAFEARRAY* array, StringList& list) {
    RETURN_HR_IF_NULL(E_FAIL, array);
    RETURN_HR_IF(E_FAIL, (array->fFeatures & FADF_BSTR) == 0);
    list.clear();

    SafeArrayDataLock lock(array);
    RETURN_IF_FAILED(lock.status());
    const BSTR* items = lock.data<BSTR>();
    const long count = RecordArrayCount(array);
    for (long i = 0; i < count; ++i) list.push_back(platform::BstrToAnsi(items[i]));  // null -> ""
    return lock.Unlock();
}

long RecordArrayCount(SAFEARRAY* array) {
    if (array == nullptr || array->cDims == 0) return 0;
    // The first bound as stored; for the one-dimensional arrays of clients,
    // the length. Stored as 32 bits unsigned; read as the 32-bit signed count.
    return static_cast<LONG>(array->rgsabound[0].cElements);
}

}  // namespace kelm

// Reading client arrays: arrays of BSTR into string lists, and the walk over
// an array of records.
#pragma once

#include "kelmapi/automation.h"
#include "util/StringList.h"

namespace kelm {

// 0x80004005 for a null array or one not flagged FADF_BSTR (list untouched);
// otherwise the list is replaced by the elements (null -> empty string), and
// a failing lock or unlock status is returned.
HRESULT SafeArrayToStringList(SAFEARRAY* array, StringList& list);

// The element count of an array as the record walk takes it: the count of
// its first bound; 0 for a null array.
long RecordArrayCount(SAFEARRAY* array);

}  // namespace kelm

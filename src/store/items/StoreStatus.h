// Statuses of the library store. 0 is success, negative is failure; a few
// positive values mean success with a remark. The two codes that callers
// look for by value are the automation ones:
//   0x80040005  from an Add: the item exists; from a Delete: there is none
//   0x80070057  from AddCell/AddSymbol: already referenced;
//               from the cell Add: the pins differ from the library's
// Every other failure is one of the public codes of kelmapi/status.h.
#pragma once

#include <string>

#include "kelmapi/status.h"

namespace kelm::store {

inline constexpr HRESULT kItemExistsOrMissing = KELM_E_ITEM_EXISTS_OR_MISSING;
inline constexpr HRESULT kAlreadyReferenced   = static_cast<HRESULT>(0x80070057L);
inline constexpr HRESULT kAlreadyReservedByYou = KELM_S_ALREADY_RESERVED_BY_YOU;

// The public codes, by their names inside the store too.
#define KELM_STORE_USING(name, value, text) using ::name;
KELMAPI_STATUS_LIST(KELM_STORE_USING)
#undef KELM_STORE_USING

// A short name for a status, as the command-line tool prints it:
// KelmStatusName's, or "0x80041234" for a status it does not name.
std::string StatusName(HRESULT status);

}  // namespace kelm::store

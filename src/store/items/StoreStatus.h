// Statuses of the library store. 0 is success, negative is failure; a few
// positive values mean success with a remark. The two codes that callers
// look for by value are the automation ones:
//   0x80040005  from an Add: the item exists; from a Delete: there is none
//   0x80070057  from AddCell/AddSymbol: already referenced;
//               from the cell Add: the pins differ from the library's
// Every other failure is one of the named codes below.
#pragma once

#include <string>

#include "kelmapi/automation.h"

namespace kelm::store {

inline constexpr HRESULT kItemExistsOrMissing = static_cast<HRESULT>(0x80040005L);
inline constexpr HRESULT kAlreadyReferenced   = static_cast<HRESULT>(0x80070057L);

inline constexpr HRESULT kAlreadyReservedByYou = 1;  // reserving what the user already holds

#define KELM_STORE_STATUS(name, value) \
    inline constexpr HRESULT name = static_cast<HRESULT>(value)
KELM_STORE_STATUS(KELM_E_STORE_UNAVAILABLE, 0x80041000L);  // no store behind the session
KELM_STORE_STATUS(KELM_E_NO_SUCH_PARTITION, 0x80041001L);
KELM_STORE_STATUS(KELM_E_RESERVED_BY_OTHER, 0x80041002L);  // partition reserved by another user
KELM_STORE_STATUS(KELM_E_READ_ONLY,         0x80041003L);  // read-only session
KELM_STORE_STATUS(KELM_E_LOCKED,            0x80041004L);  // library locked by someone else
KELM_STORE_STATUS(KELM_E_CONFLICT,          0x80041005L);  // changed on disk by another session
KELM_STORE_STATUS(KELM_E_CORRUPT,           0x80041006L);  // a file does not parse
KELM_STORE_STATUS(KELM_E_IO,                0x80041007L);  // the file system refused
KELM_STORE_STATUS(KELM_E_NOT_LOADED,        0x80041008L);  // no library loaded
KELM_STORE_STATUS(KELM_E_UNSAFE_PATH,       0x80041009L);  // a path would leave the library folder
KELM_STORE_STATUS(KELM_E_NO_SUCH_ITEM,      0x8004100AL);
KELM_STORE_STATUS(KELM_E_NOT_RESERVED,      0x8004100BL);  // the working user does not hold the partition
KELM_STORE_STATUS(KELM_E_NO_SUCH_SCHEME,    0x8004100CL);
KELM_STORE_STATUS(KELM_E_BAD_ARGUMENT,      0x8004100DL);
KELM_STORE_STATUS(KELM_E_NO_DEFAULT_SCHEME, 0x8004100EL);
#undef KELM_STORE_STATUS

// A short name for a status, as the command-line tool prints it:
// "E_FAIL", "partition reserved by another user", "0x80041234" for unknown ones.
std::string StatusName(HRESULT status);

}  // namespace kelm::store

// KelmAPI: every status a method of IKelm can return, besides S_OK (0).
//
// The component's own codes are the automation ones (S_FALSE, E_NOTIMPL,
// E_POINTER, E_FAIL, E_OUTOFMEMORY, E_INVALIDARG). Methods that pass a
// library store status on unchanged may also return one of the codes below.
// docs/statuses.md says which method gives which.
#pragma once

#include "kelmapi/automation.h"

// X(name, value, short text). The short text is what the kelm tool prints.
#define KELMAPI_STATUS_LIST(X)                                                              \
    X(KELM_E_ITEM_EXISTS_OR_MISSING,  0x80040005L, "item exists or is missing")            \
    X(KELM_E_STORE_UNAVAILABLE,       0x80041000L, "library store unavailable")            \
    X(KELM_E_NO_SUCH_PARTITION,       0x80041001L, "no such partition")                    \
    X(KELM_E_RESERVED_BY_OTHER,       0x80041002L, "partition reserved by another user")   \
    X(KELM_E_READ_ONLY,               0x80041003L, "read-only session")                    \
    X(KELM_E_LOCKED,                  0x80041004L, "library locked")                       \
    X(KELM_E_CONFLICT,                0x80041005L, "conflict")                             \
    X(KELM_E_CORRUPT,                 0x80041006L, "corrupt file")                         \
    X(KELM_E_IO,                      0x80041007L, "I/O error")                            \
    X(KELM_E_NOT_LOADED,              0x80041008L, "no library loaded")                    \
    X(KELM_E_UNSAFE_PATH,             0x80041009L, "name or path not allowed in a library") \
    X(KELM_E_NO_SUCH_ITEM,            0x8004100AL, "no such item")                         \
    X(KELM_E_NOT_RESERVED,            0x8004100BL, "partition not reserved by the working user") \
    X(KELM_E_NO_SUCH_SCHEME,          0x8004100CL, "no such search scheme")                \
    X(KELM_E_BAD_ARGUMENT,            0x8004100DL, "bad argument")                         \
    X(KELM_E_NO_DEFAULT_SCHEME,       0x8004100EL, "no default search scheme")             \
    X(KELM_E_DUPLICATE,               0x8004100FL, "item already in another partition")

#define KELMAPI_DEFINE_STATUS(name, value, text) inline constexpr HRESULT name = static_cast<HRESULT>(value);
KELMAPI_STATUS_LIST(KELMAPI_DEFINE_STATUS)
#undef KELMAPI_DEFINE_STATUS

// The short name of a status, as the kelm tool prints it: "E_FAIL",
// "partition reserved by another user"; nullptr for a status not named here.
constexpr const char* KelmStatusName(HRESULT status) noexcept {
    switch (static_cast<unsigned long>(static_cast<ULONG>(status))) {
    case 0x00000000UL: return "S_OK";
    case 0x00000001UL: return "S_FALSE";
    case 0x80004001UL: return "E_NOTIMPL";
    case 0x80004002UL: return "E_NOINTERFACE";
    case 0x80004003UL: return "E_POINTER";
    case 0x80004005UL: return "E_FAIL";
    case 0x8000FFFFUL: return "E_UNEXPECTED";
    case 0x8007000EUL: return "E_OUTOFMEMORY";
    case 0x80070057UL: return "E_INVALIDARG";
#define KELMAPI_STATUS_CASE(name, value, text) \
    case static_cast<unsigned long>(value): return text;
    KELMAPI_STATUS_LIST(KELMAPI_STATUS_CASE)
#undef KELMAPI_STATUS_CASE
    default: return nullptr;
    }
}

// Success with a remark: ReservePartition on a partition its caller already
// holds (the value of S_FALSE).
inline constexpr HRESULT KELM_S_ALREADY_RESERVED_BY_YOU = static_cast<HRESULT>(0x00000001L);

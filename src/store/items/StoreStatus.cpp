#include "store/items/StoreStatus.h"

#include <cstdio>

namespace kelm::store {

std::string StatusName(HRESULT status) {
    switch (static_cast<std::uint32_t>(status)) {
    case 0x00000000u: return "S_OK";
    case 0x00000001u: return "S_FALSE";
    case 0x80004001u: return "E_NOTIMPL";
    case 0x80004002u: return "E_NOINTERFACE";
    case 0x80004003u: return "E_POINTER";
    case 0x80004005u: return "E_FAIL";
    case 0x8007000Eu: return "E_OUTOFMEMORY";
    case 0x80070057u: return "E_INVALIDARG";
#define KELM_STATUS_CASE(name, value, text) \
    case static_cast<std::uint32_t>(value): return text;
    KELMAPI_STATUS_LIST(KELM_STATUS_CASE)
#undef KELM_STATUS_CASE
    default: break;
    }
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(status));
    return text;
}

}  // namespace kelm::store

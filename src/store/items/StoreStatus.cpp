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
    case 0x80040005u: return "item exists or is missing";
    case 0x80041000u: return "library store unavailable";
    case 0x80041001u: return "no such partition";
    case 0x80041002u: return "partition reserved by another user";
    case 0x80041003u: return "read-only session";
    case 0x80041004u: return "library locked";
    case 0x80041005u: return "conflict";
    case 0x80041006u: return "corrupt file";
    case 0x80041007u: return "I/O error";
    case 0x80041008u: return "no library loaded";
    case 0x80041009u: return "path leaves the library folder";
    case 0x8004100Au: return "no such item";
    case 0x8004100Bu: return "partition not reserved by the working user";
    case 0x8004100Cu: return "no such search scheme";
    case 0x8004100Du: return "bad argument";
    case 0x8004100Eu: return "no default search scheme";
    default: break;
    }
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(status));
    return text;
}

}  // namespace kelm::store

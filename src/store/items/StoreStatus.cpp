#include "store/items/StoreStatus.h"

#include <cstdio>

namespace kelm::store {

std::string StatusName(HRESULT status) {
    if (const char* name = KelmStatusName(status)) return name;
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(status));
    return text;
}

}  // namespace kelm::store

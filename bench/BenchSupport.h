// What every benchmark program shares: automation strings for IKelm calls,
// a status check that says what failed, and the size of a returned list.
#pragma once

#include <cstdio>
#include <string>

#include "kelmapi/kelmapi.h"
#include "platform/CodePage.h"
#include "store/items/KelmServer.h"
#include "util/AutoTypes.h"

namespace kelm::bench {

struct Bstr {
    explicit Bstr(const std::string& text) : value(platform::AnsiToBstr(text)) {}
    operator BSTR() const { return value.get(); }
    AutoBstr value;
};

inline bool Ok(HRESULT status, const char* what) {
    if (status >= 0) return true;
    std::fprintf(stderr, "%s failed: 0x%08X\n", what, static_cast<unsigned>(status));
    return false;
}

inline bool Ok(HRESULT status, const char* what, store::KelmServer& server) {
    if (status >= 0) return true;
    std::fprintf(stderr, "%s failed: 0x%08X %s\n", what, static_cast<unsigned>(status), server.LastErrorText().c_str());
    return false;
}

inline long Elements(SAFEARRAY* array) {
    LONG upper = -1;
    return array && SUCCEEDED(SafeArrayGetUBound(array, 1, &upper)) ? upper + 1 : -1;
}

}  // namespace kelm::bench

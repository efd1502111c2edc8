// BSTR off Windows: a UTF-16 string with its byte length stored in the four
// bytes before the first character and two zero bytes after the last one.
// The length counts embedded NULs; a null BSTR is the empty string.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "kelmapi/automation.h"

namespace {

constexpr std::size_t kPrefix = sizeof(std::uint32_t);

// Allocates prefix + bytes + a zero character (+1 so an odd byte length still
// ends with a whole zero character). A null source leaves zeros.
BSTR AllocateBytes(const void* source, std::size_t byteLength) {
    if (byteLength > std::numeric_limits<std::uint32_t>::max() - 16) return nullptr;
    const std::size_t total = kPrefix + byteLength + sizeof(OLECHAR) + 1;
    auto* block = static_cast<unsigned char*>(std::malloc(total));
    if (block == nullptr) return nullptr;
    const auto length = static_cast<std::uint32_t>(byteLength);
    std::memcpy(block, &length, kPrefix);
    unsigned char* text = block + kPrefix;
    if (source != nullptr) {
        std::memcpy(text, source, byteLength);
    } else {
        std::memset(text, 0, byteLength);
    }
    std::memset(text + byteLength, 0, total - kPrefix - byteLength);
    return reinterpret_cast<BSTR>(text);
}

unsigned char* BlockOf(BSTR bstr) { return reinterpret_cast<unsigned char*>(bstr) - kPrefix; }

std::size_t TerminatedLength(const OLECHAR* text) {
    std::size_t n = 0;
    while (text[n] != 0) ++n;
    return n;
}

}  // namespace

extern "C" {

BSTR SysAllocString(const OLECHAR* psz) {
    if (psz == nullptr) return nullptr;
    return AllocateBytes(psz, TerminatedLength(psz) * sizeof(OLECHAR));
}

BSTR SysAllocStringLen(const OLECHAR* pch, UINT cch) {
    if (cch > std::numeric_limits<std::uint32_t>::max() / sizeof(OLECHAR)) return nullptr;
    return AllocateBytes(pch, std::size_t{cch} * sizeof(OLECHAR));
}

BSTR SysAllocStringByteLen(const char* psz, UINT len) { return AllocateBytes(psz, len); }

INT SysReAllocString(BSTR* pbstr, const OLECHAR* psz) {
    if (pbstr == nullptr) return FALSE;
    BSTR fresh = SysAllocString(psz);
    if (fresh == nullptr && psz != nullptr) return FALSE;
    SysFreeString(*pbstr);
    *pbstr = fresh;
    return TRUE;
}

INT SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, UINT len) {
    if (pbstr == nullptr) return FALSE;
    BSTR fresh = SysAllocStringLen(psz, len);
    if (fresh == nullptr) return FALSE;
    SysFreeString(*pbstr);
    *pbstr = fresh;
    return TRUE;
}

void SysFreeString(BSTR bstr) {
    if (bstr != nullptr) std::free(BlockOf(bstr));
}

UINT SysStringByteLen(BSTR bstr) {
    if (bstr == nullptr) return 0;
    std::uint32_t length = 0;
    std::memcpy(&length, BlockOf(bstr), kPrefix);
    return length;
}

UINT SysStringLen(BSTR bstr) { return SysStringByteLen(bstr) / sizeof(OLECHAR); }

}  // extern "C"

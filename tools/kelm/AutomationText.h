// Text and arrays across the automation boundary, as a client sees them: the
// tool's strings are UTF-8, the component's are BSTRs (UTF-16), its lists
// are one-dimensional SAFEARRAYs of BSTR.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "kelmapi/automation.h"

namespace kelmcli {

std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// An owned BSTR made from UTF-8 text; frees itself.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(std::string_view text);
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& other) noexcept : m_value(other.Release()) {}
    Bstr& operator=(Bstr&& other) noexcept;
    ~Bstr();

    BSTR get() const { return m_value; }
    BSTR Release();
    BSTR* Out();  // frees what is held and gives the address to fill
    std::string Utf8() const;

private:
    BSTR m_value = nullptr;
};

std::string BstrToUtf8(BSTR text);
// A newly allocated BSTR (the caller frees it); null for an empty text is
// never returned: an empty text gives an allocated empty BSTR.
BSTR NewBstr(std::string_view text);

// The strings of a one-dimensional SAFEARRAY of BSTR; an error status when
// the array is not one.
HRESULT SafeArrayToStrings(SAFEARRAY* array, std::vector<std::string>& out);
// A new SAFEARRAY of BSTR (lower bound 0) holding the strings; null when it
// cannot be created.
SAFEARRAY* StringsToSafeArray(const std::vector<std::string>& strings);

}  // namespace kelmcli

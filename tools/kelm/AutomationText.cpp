#include "AutomationText.h"

#include <utility>

namespace kelmcli {

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        char32_t code = 0xFFFD;
        std::size_t extra = 0;
        if (c < 0x80) {
            code = c;
        } else if ((c & 0xE0) == 0xC0) {
            code = c & 0x1F;
            extra = 1;
        } else if ((c & 0xF0) == 0xE0) {
            code = c & 0x0F;
            extra = 2;
        } else if ((c & 0xF8) == 0xF0) {
            code = c & 0x07;
            extra = 3;
        }
        bool valid = (c < 0x80) || extra > 0;
        if (extra > 0 && i + extra >= text.size()) valid = false;
        for (std::size_t k = 1; valid && k <= extra; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) valid = false;
            else code = (code << 6) | (next & 0x3F);
        }
        if (!valid) {
            out.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        i += extra + 1;
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t code = text[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (code >> 18)));
            out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return out;
}

Bstr::Bstr(std::string_view text) : m_value(NewBstr(text)) {}

Bstr& Bstr::operator=(Bstr&& other) noexcept {
    if (this != &other) {
        SysFreeString(m_value);
        m_value = other.Release();
    }
    return *this;
}

Bstr::~Bstr() { SysFreeString(m_value); }

BSTR Bstr::Release() { return std::exchange(m_value, nullptr); }

BSTR* Bstr::Out() {
    SysFreeString(std::exchange(m_value, nullptr));
    return &m_value;
}

std::string Bstr::Utf8() const { return BstrToUtf8(m_value); }

std::string BstrToUtf8(BSTR text) {
    if (text == nullptr) return {};
    return Utf16ToUtf8(std::u16string_view(text, SysStringLen(text)));
}

BSTR NewBstr(std::string_view text) {
    const std::u16string wide = Utf8ToUtf16(text);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

HRESULT SafeArrayToStrings(SAFEARRAY* array, std::vector<std::string>& out) {
    out.clear();
    if (array == nullptr) return S_OK;  // the component never gives one; nothing to read
    VARTYPE type = VT_EMPTY;
    if (FAILED(SafeArrayGetVartype(array, &type)) || type != VT_BSTR || SafeArrayGetDim(array) != 1) return E_INVALIDARG;
    LONG lower = 0;
    LONG upper = -1;
    SafeArrayGetLBound(array, 1, &lower);
    SafeArrayGetUBound(array, 1, &upper);
    void* data = nullptr;
    const HRESULT hr = SafeArrayAccessData(array, &data);
    if (FAILED(hr)) return hr;
    BSTR* strings = static_cast<BSTR*>(data);
    for (LONG i = 0; i <= upper - lower; ++i) out.push_back(BstrToUtf8(strings[i]));
    SafeArrayUnaccessData(array);
    return S_OK;
}

SAFEARRAY* StringsToSafeArray(const std::vector<std::string>& strings) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(strings.size()));
    if (array == nullptr) return nullptr;
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data))) {
        SafeArrayDestroy(array);
        return nullptr;
    }
    BSTR* slots = static_cast<BSTR*>(data);
    for (std::size_t i = 0; i < strings.size(); ++i) slots[i] = NewBstr(strings[i]);
    SafeArrayUnaccessData(array);
    return array;
}

}  // namespace kelmcli

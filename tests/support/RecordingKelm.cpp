#include "support/RecordingKelm.h"

namespace kelm::testing {

std::string Narrow(BSTR text) {
    if (text == nullptr) return "null";
    std::string result;
    for (UINT i = 0; i < SysStringLen(text); ++i) result += text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
    return result;
}

std::string RecordingKelm::Text(BSTR value) { return Narrow(value); }

STDMETHODIMP RecordingKelm::QueryInterface(REFIID riid, void** ppv) {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_IKelm)) {
        *ppv = static_cast<IKelm*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

void RecordingKelm::Record(const char* name, const std::vector<std::string>& args) {
    std::string text = std::string(name) + "(";
    for (std::size_t i = 0; i < args.size(); ++i) text += (i ? ", " : "") + args[i];
    calls.push_back(text + ")");
}

HRESULT RecordingKelm::Fill(BSTR* out) {
    if (out == nullptr) return E_POINTER;
    if (FAILED(status)) return status;
    SysFreeString(*out);
    *out = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(outText.data()), static_cast<UINT>(outText.size()));
    return status;
}

HRESULT RecordingKelm::Fill(SAFEARRAY** out) {
    if (out == nullptr) return E_POINTER;
    if (FAILED(status)) return status;
    SafeArrayDestroy(*out);
    *out = SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(outArray.size()));
    for (std::size_t i = 0; i < outArray.size(); ++i) {
        static_cast<BSTR*>((*out)->pvData)[i] = SysAllocString(reinterpret_cast<const OLECHAR*>(outArray[i].c_str()));
    }
    return status;
}

HRESULT RecordingKelm::Fill(long* out) {
    if (out == nullptr) return E_POINTER;
    if (SUCCEEDED(status)) *out = outNumber;
    return status;
}

HRESULT RecordingKelm::Fill(VARIANT_BOOL* out) {
    if (out == nullptr) return E_POINTER;
    if (SUCCEEDED(status)) *out = outFlag;
    return status;
}

}  // namespace kelm::testing

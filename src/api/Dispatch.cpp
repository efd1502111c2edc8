// Late binding from the method table. Inputs are converted the way the
// system's own dispatcher converts them (strings, integers of any width and
// flags into one another; a reference is read through). An out-parameter
// takes the exact typed reference, or a reference to a VARIANT (what
// VBScript and late-bound VBA pass), which receives the result once the
// method succeeds (a list as an array of VARIANTs).
#include "api/Dispatch.h"

#include <array>
#include <charconv>
#include <climits>
#include <cstring>
#include <optional>
#include <string_view>
#include <type_traits>

#include "api/DispatchTable.h"
#include "platform/CodePage.h"
#include "platform/TypeLibrary.h"
#include "util/AutoTypes.h"

namespace kelm {
namespace {

constexpr WORD kLibraryMajor = 1;
constexpr WORD kLibraryMinor = 0;
constexpr LCID kLibraryLocale = 0x409;

std::u16string NameOf(const OLECHAR* text) {
    std::u16string name;
    for (; text != nullptr && *text != 0; ++text) name += static_cast<char16_t>(*text);
    return name;
}

// An input value read out of its VARIANT (through references), before it
// is converted to the parameter's type.
struct Scalar {
    enum Kind { Empty, Text, Integer, Boolean } kind = Empty;
    BSTR text = nullptr;
    long long integer = 0;     // clamped to the signed range
    std::string digits;        // an integer's exact decimal text
};

template <typename T>
std::optional<Scalar> IntegerAt(bool byRef, const VARIANT& v, T value) {
    if (byRef && v.byref == nullptr) return std::nullopt;
    const T raw = byRef ? *static_cast<const T*>(v.byref) : value;
    Scalar scalar{Scalar::Integer, nullptr, static_cast<long long>(raw), std::to_string(raw)};
    if constexpr (std::is_same_v<T, ULONGLONG>) {
        // Beyond the signed range: still a number, and too large for any parameter.
        if (raw > static_cast<ULONGLONG>(LLONG_MAX)) scalar.integer = LLONG_MAX;
    }
    if constexpr (std::is_same_v<T, ULONG>) {
        // As the system converts them to a number: its bits, so 0xFFFFFFFF is -1.
        scalar.integer = static_cast<LONG>(raw);
    }
    return scalar;
}

std::optional<Scalar> Read(const VARIANT& passed) {
    const VARIANT& v = passed.vt == (VT_BYREF | VT_VARIANT) && passed.pvarVal != nullptr ? *passed.pvarVal : passed;
    const bool byRef = (v.vt & VT_BYREF) != 0;
    switch (v.vt & ~VT_BYREF) {
        case VT_EMPTY: return byRef ? std::nullopt : std::optional<Scalar>(Scalar{});
        case VT_BSTR:
            if (byRef && v.pbstrVal == nullptr) return std::nullopt;
            return Scalar{Scalar::Text, byRef ? *v.pbstrVal : v.bstrVal};
        case VT_BOOL:
            if (byRef && v.pboolVal == nullptr) return std::nullopt;
            return Scalar{Scalar::Boolean, nullptr, (byRef ? *v.pboolVal : v.boolVal) != 0 ? 1 : 0};
        case VT_I1: return IntegerAt<signed char>(byRef, v, static_cast<signed char>(v.cVal));
        case VT_UI1: return IntegerAt<BYTE>(byRef, v, v.bVal);
        case VT_I2: return IntegerAt<SHORT>(byRef, v, v.iVal);
        case VT_UI2: return IntegerAt<USHORT>(byRef, v, v.uiVal);
        case VT_I4:
        case VT_INT: return IntegerAt<LONG>(byRef, v, v.lVal);
        case VT_UI4:
        case VT_UINT: return IntegerAt<ULONG>(byRef, v, v.ulVal);
        case VT_I8: return IntegerAt<LONGLONG>(byRef, v, v.llVal);
        case VT_UI8: return IntegerAt<ULONGLONG>(byRef, v, v.ullVal);
        default: return std::nullopt;
    }
}

// A decimal integer in a string, with blanks around it and an optional sign.
std::optional<long long> ParseInteger(BSTR text) {
    std::string digits = platform::BstrToAnsi(text);
    const std::size_t first = digits.find_first_not_of(" \t");
    const std::size_t last = digits.find_last_not_of(" \t");
    if (first == std::string::npos) return std::nullopt;
    std::string_view trimmed(digits.data() + first, last - first + 1);
    if (trimmed.front() == '+') trimmed.remove_prefix(1);
    long long value = 0;
    const auto [end, error] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), value);
    if (error == std::errc::result_out_of_range) return LLONG_MAX;
    if (error != std::errc() || end != trimmed.data() + trimmed.size()) return std::nullopt;
    return value;
}

// The conversion of one argument; what went wrong, or S_OK.
class Converter {
public:
    Converter(DispatchArgument& arg, AutoBstr& ownedText, LONG*& countTarget, VARIANT*& variantTarget)
        : m_arg(arg), m_ownedText(ownedText), m_countTarget(countTarget), m_variantTarget(variantTarget) {}

    HRESULT Convert(const DispatchParam& param, const VARIANT& passed) {
        if ((param.type & VT_BYREF) != 0) return Out(param.type, passed);
        if (param.type == VT_RECORD) return Record(*param.userType, passed);
        const std::optional<Scalar> value = Read(passed);
        if (!value) return DISP_E_TYPEMISMATCH;
        switch (param.type) {
            case VT_BSTR: return ToText(*value);
            case VT_BOOL: return ToFlag(*value);
            default: return ToNumber(*value);
        }
    }

private:
    HRESULT ToText(const Scalar& value) {
        switch (value.kind) {
            case Scalar::Empty: m_arg.text = nullptr; return S_OK;
            case Scalar::Text: m_arg.text = value.text; return S_OK;
            case Scalar::Boolean:
            case Scalar::Integer: {
                const std::string digits = value.kind == Scalar::Boolean ? std::to_string(-value.integer) : value.digits;
                m_ownedText.reset(platform::AnsiToBstr(digits));
                RETURN_HR_IF_NULL(E_OUTOFMEMORY, m_ownedText.get());
                m_arg.text = m_ownedText.get();
                return S_OK;
            }
        }
        return DISP_E_TYPEMISMATCH;
    }

    HRESULT ToNumber(const Scalar& value) {
        long long number = 0;
        switch (value.kind) {
            case Scalar::Empty: break;
            case Scalar::Boolean: number = -value.integer; break;
            case Scalar::Integer: number = value.integer; break;
            case Scalar::Text: {
                const std::optional<long long> parsed = ParseInteger(value.text);
                RETURN_HR_IF(DISP_E_TYPEMISMATCH, !parsed);
                number = *parsed;
                break;
            }
        }
        RETURN_HR_IF(DISP_E_OVERFLOW, number < INT32_MIN || number > INT32_MAX);
        m_arg.number = static_cast<LONG>(number);
        return S_OK;
    }

    HRESULT ToFlag(const Scalar& value) {
        bool flag = false;
        switch (value.kind) {
            case Scalar::Empty: break;
            case Scalar::Boolean:
            case Scalar::Integer: flag = value.integer != 0; break;
            case Scalar::Text: {
                const std::string word = platform::LowerString(platform::BstrToAnsi(value.text));
                if (word == "true" || word == "false") {
                    flag = word == "true";
                } else {
                    const std::optional<long long> parsed = ParseInteger(value.text);
                    RETURN_HR_IF(DISP_E_TYPEMISMATCH, !parsed);
                    flag = *parsed != 0;
                }
                break;
            }
        }
        m_arg.flag = flag ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }

    HRESULT Record(const GUID& type, const VARIANT& passed) {
        const VARIANT& value = passed.vt == (VT_BYREF | VT_VARIANT) && passed.pvarVal ? *passed.pvarVal : passed;
        RETURN_HR_IF(DISP_E_TYPEMISMATCH, (value.vt & ~VT_BYREF) != VT_RECORD);
        if (value.pRecInfo != nullptr) {
            GUID actual{};
            RETURN_HR_IF(DISP_E_TYPEMISMATCH, FAILED(value.pRecInfo->GetGuid(&actual)) || !IsEqualGUID(actual, type));
        }
        m_arg.record = value.pvRecord;
        return S_OK;
    }

    HRESULT Out(VARTYPE type, const VARIANT& passed) {
        if (passed.vt == (VT_BYREF | VT_VARIANT)) {
            m_variantTarget = passed.pvarVal;
            const bool given = m_variantTarget != nullptr;  // a null reference gives the method a null pointer
            m_arg.outText = given ? &m_arg.textSlot : nullptr;
            m_arg.outFlag = given ? &m_arg.flagSlot : nullptr;
            m_arg.outCount = given ? &m_arg.count : nullptr;
            m_arg.outArray = given ? &m_arg.arraySlot : nullptr;
            return S_OK;
        }
        if (type == (VT_BYREF | VT_I4) && (passed.vt == (VT_BYREF | VT_I4) || passed.vt == (VT_BYREF | VT_INT))) {
            m_countTarget = passed.plVal;
            if (m_countTarget != nullptr) m_arg.count = *m_countTarget;
            m_arg.outCount = m_countTarget != nullptr ? &m_arg.count : nullptr;
            return S_OK;
        }
        RETURN_HR_IF(DISP_E_TYPEMISMATCH, passed.vt != type);
        m_arg.outText = passed.pbstrVal;
        m_arg.outFlag = passed.pboolVal;
        m_arg.outArray = passed.pparray;
        return S_OK;
    }

    DispatchArgument& m_arg;
    AutoBstr& m_ownedText;
    LONG*& m_countTarget;
    VARIANT*& m_variantTarget;
};

// One call's arguments with what they own and where their results go.
struct Call {
    std::array<DispatchArgument, kMaxDispatchParams> args{};
    std::array<AutoBstr, kMaxDispatchParams> ownedText;
    std::array<LONG*, kMaxDispatchParams> countTargets{};
    std::array<VARIANT*, kMaxDispatchParams> variantTargets{};

    // Copies the results to the caller; a VARIANT receives one only when the
    // method succeeded, and what it held is cleared first. The status of the
    // call: the method's, or E_OUTOFMEMORY when a result cannot be handed over.
    HRESULT Finish(const DispatchMethod& method, HRESULT hr) {
        HRESULT finished = hr;
        for (std::size_t i = 0; i < method.params.size(); ++i) {
            DispatchArgument& arg = args[i];
            if (countTargets[i] != nullptr) *countTargets[i] = static_cast<LONG>(arg.count);
            VARIANT* target = variantTargets[i];
            if (target != nullptr && SUCCEEDED(finished)) {
                VARIANT result;
                VariantInit(&result);
                switch (method.params[i].type) {
                    case VT_BYREF | VT_BSTR:
                        result.vt = VT_BSTR;
                        result.bstrVal = std::exchange(arg.textSlot, nullptr);
                        break;
                    case VT_BYREF | VT_BOOL:
                        result.vt = VT_BOOL;
                        result.boolVal = arg.flagSlot;
                        break;
                    case VT_BYREF | VT_I4:
                        result.vt = VT_I4;
                        result.lVal = static_cast<LONG>(arg.count);
                        break;
                    default:
                        result.vt = VT_ARRAY | VT_VARIANT;
                        result.parray = VariantArrayOf(arg.arraySlot);
                        if (result.parray == nullptr) finished = E_OUTOFMEMORY;
                        break;
                }
                if (SUCCEEDED(finished)) {
                    VariantClear(target);
                    *target = result;
                }
            }
            SysFreeString(arg.textSlot);
            if (arg.arraySlot != nullptr) SafeArrayDestroy(arg.arraySlot);
        }
        return finished;
    }

    // Script engines index arrays of VARIANTs only (Wine's VBScript cannot
    // read an array of strings at all): a list handed to a VARIANT becomes
    // one, each element a string, lower bound 0. Null when out of memory.
    static SAFEARRAY* VariantArrayOf(SAFEARRAY* strings) {
        const ULONG count = strings != nullptr ? strings->rgsabound[0].cElements : 0;
        AutoSafeArray variants(SafeArrayCreateVector(VT_VARIANT, 0, count));
        if (variants.get() == nullptr) return nullptr;
        if (count == 0) return variants.release();
        SafeArrayDataLock from(strings);
        SafeArrayDataLock to(variants.get());
        for (ULONG i = 0; i < count; ++i) {
            VARIANT& element = to.data<VARIANT>()[i];
            const BSTR text = from.data<BSTR>()[i];
            element.vt = VT_BSTR;
            element.bstrVal = SysAllocStringLen(text, SysStringLen(text));
            if (element.bstrVal == nullptr) return nullptr;
        }
        return variants.release();
    }
};

void FillException(EXCEPINFO* info, HRESULT status, const std::string& description) {
    if (info == nullptr) return;
    std::memset(info, 0, sizeof *info);
    info->scode = status;
    info->bstrSource = platform::AnsiToBstr(kExceptionSource);
    if (!description.empty()) info->bstrDescription = platform::AnsiToBstr(description);
}

}  // namespace

HRESULT KelmGetTypeInfoCount(UINT* pctinfo) {
    RETURN_HR_IF_NULL(E_POINTER, pctinfo);
    *pctinfo = SUCCEEDED(platform::RegisteredTypeInfo(LIBID_KelmAPI, kLibraryMajor, kLibraryMinor, kLibraryLocale,
                                                      IID_IKelm, nullptr))
                   ? 1
                   : 0;
    return S_OK;
}

HRESULT KelmGetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo) {
    RETURN_HR_IF_NULL(E_POINTER, ppTInfo);
    *ppTInfo = nullptr;
    RETURN_HR_IF(DISP_E_BADINDEX, iTInfo != 0);
    return platform::RegisteredTypeInfo(LIBID_KelmAPI, kLibraryMajor, kLibraryMinor, kLibraryLocale, IID_IKelm,
                                        ppTInfo);
}

// The first name is the method's; the others are its parameters, which get
// their positions as identifiers.
HRESULT KelmGetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId) {
    RETURN_HR_IF(DISP_E_UNKNOWNINTERFACE, !IsEqualIID(riid, IID_NULL));
    RETURN_HR_IF(E_INVALIDARG, rgszNames == nullptr || rgDispId == nullptr || cNames == 0);
    for (UINT i = 0; i < cNames; ++i) rgDispId[i] = DISPID_UNKNOWN;
    const DispatchMethod* method = FindDispatchMethod(NameOf(rgszNames[0]));
    RETURN_HR_IF_NULL(DISP_E_UNKNOWNNAME, method);
    rgDispId[0] = method->id;
    HRESULT hr = S_OK;
    for (UINT i = 1; i < cNames; ++i) {
        const std::u16string name = NameOf(rgszNames[i]);
        for (std::size_t p = 0; p < method->params.size(); ++p) {
            if (SameNameIgnoringCase(name, method->params[p].name)) rgDispId[i] = static_cast<DISPID>(p);
        }
        if (rgDispId[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT KelmInvoke(IKelm& self, const FailureDescriber& describe, DISPID dispIdMember, REFIID riid, LCID, WORD wFlags,
                   DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) {
    RETURN_HR_IF(DISP_E_UNKNOWNINTERFACE, !IsEqualIID(riid, IID_NULL));
    const DispatchMethod* method = FindDispatchMethod(dispIdMember);
    RETURN_HR_IF(DISP_E_MEMBERNOTFOUND, method == nullptr || (wFlags & DISPATCH_METHOD) == 0);
    RETURN_HR_IF_NULL(E_INVALIDARG, pDispParams);
    const std::size_t count = method->params.size();
    RETURN_HR_IF(DISP_E_BADPARAMCOUNT, pDispParams->cArgs != count);
    RETURN_HR_IF(E_INVALIDARG, count > 0 && pDispParams->rgvarg == nullptr);
    const std::size_t named = pDispParams->cNamedArgs;
    RETURN_HR_IF(E_INVALIDARG, named > count || (named > 0 && pDispParams->rgdispidNamedArgs == nullptr));

    // Where each parameter's argument lies in rgvarg: the named ones first
    // (their identifiers are parameter positions), then the others, last first.
    std::array<std::size_t, kMaxDispatchParams> positionOf;
    positionOf.fill(count);
    for (std::size_t i = 0; i < count - named; ++i) positionOf[i] = count - 1 - i;
    for (std::size_t n = 0; n < named; ++n) {
        const DISPID param = pDispParams->rgdispidNamedArgs[n];
        if (param < static_cast<DISPID>(count - named) || param >= static_cast<DISPID>(count) ||
            positionOf[static_cast<std::size_t>(param)] != count) {
            if (puArgErr != nullptr) *puArgErr = static_cast<UINT>(n);
            return DISP_E_PARAMNOTFOUND;
        }
        positionOf[static_cast<std::size_t>(param)] = n;
    }

    Call call;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t position = positionOf[i];
        Converter converter(call.args[i], call.ownedText[i], call.countTargets[i], call.variantTargets[i]);
        const HRESULT converted = converter.Convert(method->params[i], pDispParams->rgvarg[position]);
        if (FAILED(converted)) {
            if (puArgErr != nullptr && converted != E_OUTOFMEMORY) *puArgErr = static_cast<UINT>(position);
            return converted;
        }
    }

    if (pVarResult != nullptr) VariantInit(pVarResult);
    const HRESULT hr = call.Finish(*method, method->call(self, call.args.data()));
    if (FAILED(hr)) {
        FillException(pExcepInfo, hr, describe ? describe(hr) : std::string());
        return DISP_E_EXCEPTION;
    }
    return S_OK;
}

}  // namespace kelm

// Late binding from the built-in method table: names to identifiers, and
// Invoke, which checks and coerces the arguments (given in reverse order),
// calls the IKelm method and turns a failure status into an exception report
// the way the system's dispatcher does.
#include "api/Dispatch.h"

#include <array>
#include <cstring>
#include <string_view>

#include "api/DispatchTable.h"

namespace kelm {
namespace {

constexpr std::size_t kMaxParams = 7;

// One argument after coercion; which member is used depends on the type.
struct Argument {
    BSTR text = nullptr;
    VARIANT_BOOL flag = VARIANT_FALSE;
    LONG number = 0;
    void* record = nullptr;
    BSTR* outText = nullptr;
    VARIANT_BOOL* outFlag = nullptr;
    LONG* outNumber = nullptr;
    long outNumberValue = 0;  // IKelm counts are `long`, which may be wider than LONG
    SAFEARRAY** outArray = nullptr;
};

using Arguments = std::array<Argument, kMaxParams>;

// A variant passed by reference to another variant is read through.
const VARIANT& Unwrapped(const VARIANT& value) {
    if (value.vt == (VT_BYREF | VT_VARIANT) && value.pvarVal != nullptr) return *value.pvarVal;
    return value;
}

bool ToText(const VARIANT& value, BSTR& text) {
    switch (value.vt) {
        case VT_BSTR: text = value.bstrVal; return true;
        case VT_BYREF | VT_BSTR:
            if (value.pbstrVal == nullptr) return false;
            text = *value.pbstrVal;
            return true;
        case VT_EMPTY: text = nullptr; return true;
        default: return false;
    }
}

bool ToNumber(const VARIANT& value, LONG& number) {
    switch (value.vt) {
        case VT_I4: case VT_INT: number = value.lVal; return true;
        case VT_I2: number = value.iVal; return true;
        case VT_UI1: number = value.bVal; return true;
        case VT_BYREF | VT_I4: case VT_BYREF | VT_INT:
            if (value.plVal == nullptr) return false;
            number = *value.plVal;
            return true;
        case VT_BYREF | VT_I2:
            if (value.piVal == nullptr) return false;
            number = *value.piVal;
            return true;
        case VT_EMPTY: number = 0; return true;
        default: return false;
    }
}

bool ToFlag(const VARIANT& value, VARIANT_BOOL& flag) {
    switch (value.vt) {
        case VT_BOOL: flag = value.boolVal; return true;
        case VT_BYREF | VT_BOOL:
            if (value.pboolVal == nullptr) return false;
            flag = *value.pboolVal;
            return true;
        case VT_EMPTY: flag = VARIANT_FALSE; return true;
        default: {
            // Numbers become flags as the system converts them: non-zero is true.
            LONG number = 0;
            if (!ToNumber(value, number)) return false;
            flag = number != 0 ? VARIANT_TRUE : VARIANT_FALSE;
            return true;
        }
    }
}

bool ToRecord(const VARIANT& value, const GUID& type, void*& record) {
    if ((value.vt & ~VT_BYREF) != VT_RECORD) return false;
    if (value.pRecInfo != nullptr) {
        GUID actual{};
        if (FAILED(value.pRecInfo->GetGuid(&actual)) || !IsEqualGUID(actual, type)) return false;
    }
    record = value.pvRecord;
    return true;
}

bool Coerce(const DispatchParam& param, const VARIANT& passed, Argument& arg) {
    const VARIANT& value = param.direction == ParamDirection::Out ? passed : Unwrapped(passed);
    switch (param.type) {
        case VT_BSTR: return ToText(value, arg.text);
        case VT_BOOL: return ToFlag(value, arg.flag);
        case VT_I4: return ToNumber(value, arg.number);
        case VT_RECORD: return ToRecord(value, *param.userType, arg.record);
        case VT_BYREF | VT_BSTR:
            if (value.vt != (VT_BYREF | VT_BSTR)) return false;
            arg.outText = value.pbstrVal;
            return true;
        case VT_BYREF | VT_BOOL:
            if (value.vt != (VT_BYREF | VT_BOOL)) return false;
            arg.outFlag = value.pboolVal;
            return true;
        case VT_BYREF | VT_I4:
            if (value.vt != (VT_BYREF | VT_I4) && value.vt != (VT_BYREF | VT_INT)) return false;
            arg.outNumber = value.plVal;
            if (arg.outNumber != nullptr) arg.outNumberValue = *arg.outNumber;
            return true;
        case VT_BYREF | VT_ARRAY | VT_BSTR:
            if (value.vt != (VT_BYREF | VT_ARRAY | VT_BSTR)) return false;
            arg.outArray = value.pparray;
            return true;
        default: return false;
    }
}

KelmEnum_ObjType Kind(const Argument& arg) { return static_cast<KelmEnum_ObjType>(arg.number); }
long* OutLong(Argument& arg) { return arg.outNumber != nullptr ? &arg.outNumberValue : nullptr; }

HRESULT Call(IKelm& self, DISPID id, Arguments& a) {
    switch (id) {
        case 1: return self.Kelmstore_Open(a[0].text, a[1].text, a[2].flag);
        case 2: return self.Kelmstore_Close();
        case 100: return self.RunCurator(a[0].text, a[1].text);
        case 101: return self.RefreshQVMTree(a[0].text, Kind(a[1]));
        case 110: return self.ReloadQVM();
        case 111: return self.SaveQVM();
        case 112: return self.ReservePartition(a[0].text, Kind(a[1]));
        case 113: return self.UnReservePartition(a[0].text, Kind(a[1]));
        case 120: return self.GetSearchScheme_Default(a[0].outText);
        case 121: return self.GetSearchScheme_All(a[0].outArray);
        case 122:
            return self.GetPartitionList_SearchScheme(a[0].text, Kind(a[1]), a[2].flag, a[3].flag, a[4].outArray);
        case 123: return self.GetPartitionList_DefaultSearchScheme(Kind(a[0]), a[1].flag, a[2].flag, a[3].outArray);
        case 124: return self.GetPartitionItemsCount(a[0].text, a[1].text, Kind(a[2]), OutLong(a[3]));
        case 125: return self.GetPartitionItems(a[0].text, a[1].text, Kind(a[2]), a[3].outArray);
        case 130: return self.FindItemPartition(a[0].text, Kind(a[1]), a[2].outText);
        case 131: return self.DoesItemExist(a[0].text, a[1].text, a[2].text, Kind(a[3]), a[4].outFlag);
        case 132: return self.GetPinCount(a[0].text, a[1].text, Kind(a[2]), OutLong(a[3]));
        case 133: return self.GetPartsUsingThisCell(a[0].text, a[1].outArray);
        case 134: return self.GetPartitionsStoringThisCell(a[0].text, a[1].outArray);
        case 140: return self.AddPartition(a[0].text, Kind(a[1]), a[2].flag);
        case 141: return self.DeletePartition(a[0].text, Kind(a[1]));
        case 142: return self.AddItemToQVM_Part(a[0].text, static_cast<KelmStruct_PartType*>(a[1].record), a[2].flag);
        case 143: return self.AddItemToQVM_Cell(a[0].text, static_cast<KelmStruct_Cell*>(a[1].record), a[2].flag);
        case 144: return self.DeleteItemFromQVM(a[0].text, a[1].text, Kind(a[2]), a[3].outFlag);
        case 145:
            return self.CopyItemInQVM(a[0].text, a[1].text, a[2].text, a[3].text, Kind(a[4]), a[5].flag, a[6].flag);
        case 150: return self.CreateDefaultPadstack(a[0].text, a[1].text);
        case 151: return self.GetPartitionReservation(a[0].text, Kind(a[1]), a[2].outText);
        default: return DISP_E_MEMBERNOTFOUND;
    }
}

}  // namespace

HRESULT KelmGetTypeInfoCount(UINT* pctinfo) {
    if (pctinfo == nullptr) return E_POINTER;
    *pctinfo = 0;
    return S_OK;
}

HRESULT KelmGetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
    if (ppTInfo != nullptr) *ppTInfo = nullptr;
    return E_NOTIMPL;
}

// The first name is the method's; the others are its parameters, which get
// their positions as identifiers.
HRESULT KelmGetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId) {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (rgszNames == nullptr || rgDispId == nullptr || cNames == 0) return E_INVALIDARG;
    for (UINT i = 0; i < cNames; ++i) rgDispId[i] = DISPID_UNKNOWN;
    if (rgszNames[0] == nullptr) return DISP_E_UNKNOWNNAME;
    const DispatchMethod* method = FindDispatchMethod(std::u16string_view(rgszNames[0]));
    if (method == nullptr) return DISP_E_UNKNOWNNAME;
    rgDispId[0] = method->id;
    HRESULT hr = S_OK;
    for (UINT i = 1; i < cNames; ++i) {
        bool found = false;
        for (std::size_t p = 0; p < method->params.size() && rgszNames[i] != nullptr; ++p) {
            if (SameNameIgnoringCase(std::u16string_view(rgszNames[i]), method->params[p].name)) {
                rgDispId[i] = static_cast<DISPID>(p);
                found = true;
                break;
            }
        }
        if (!found) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT KelmInvoke(IKelm& self, DISPID dispIdMember, REFIID riid, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                   VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    const DispatchMethod* method = FindDispatchMethod(dispIdMember);
    if (method == nullptr || (wFlags & DISPATCH_METHOD) == 0) return DISP_E_MEMBERNOTFOUND;
    if (pDispParams == nullptr) return E_INVALIDARG;
    if (pDispParams->cNamedArgs > 0) return DISP_E_NONAMEDARGS;
    const std::size_t count = method->params.size();
    if (pDispParams->cArgs != count) return DISP_E_BADPARAMCOUNT;
    if (count > 0 && pDispParams->rgvarg == nullptr) return E_INVALIDARG;

    Arguments args{};
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t position = count - 1 - i;  // arguments come last first
        if (!Coerce(method->params[i], pDispParams->rgvarg[position], args[i])) {
            if (puArgErr != nullptr) *puArgErr = static_cast<UINT>(position);
            return DISP_E_TYPEMISMATCH;
        }
    }

    if (pVarResult != nullptr) VariantInit(pVarResult);
    const HRESULT hr = Call(self, method->id, args);
    for (std::size_t i = 0; i < count; ++i) {
        if (args[i].outNumber != nullptr) *args[i].outNumber = static_cast<LONG>(args[i].outNumberValue);
    }
    if (FAILED(hr)) {
        if (pExcepInfo != nullptr) {
            std::memset(pExcepInfo, 0, sizeof *pExcepInfo);
            pExcepInfo->scode = hr;
        }
        return DISP_E_EXCEPTION;
    }
    return S_OK;
}

}  // namespace kelm

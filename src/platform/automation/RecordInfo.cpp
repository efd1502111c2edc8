// IRecordInfo off Windows for the three records of the KelmAPI type library
// (LIBID_KelmAPI 1.0): each record is described by a field table (name,
// offset, kind) that drives init, clear, copy and field access.
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

#include "kelmapi/kelmapi.h"

namespace {

enum class FieldKind { Long, String, StringArray, RecordArray };

struct RecordType;

struct FieldInfo {
    const char16_t* name;
    std::size_t offset;
    FieldKind kind;
    const RecordType* element;  // RecordArray only
};

struct RecordType {
    const GUID* guid;
    const char16_t* name;
    ULONG size;
    const FieldInfo* fields;
    ULONG fieldCount;
};

extern const RecordType kLogicSymbol;
extern const RecordType kCell;

#define KELM_FIELD(type, member, kind) {u## #member, offsetof(type, member), FieldKind::kind, nullptr}
// Every record starts with its time stamp, partition and item spec.
#define KELM_ITEM_FIELDS(type)                      \
    KELM_FIELD(type, m_nTimeStamp, Long),           \
    KELM_FIELD(type, m_sPartitionName, String),     \
    KELM_FIELD(type, m_sItemSpec, String)

const FieldInfo kLogicSymbolFields[] = {
    KELM_ITEM_FIELDS(KelmStruct_LogicSymbol),
    KELM_FIELD(KelmStruct_LogicSymbol, m_sSymbolName, String),
    KELM_FIELD(KelmStruct_LogicSymbol, m_psarrPins, StringArray),
};
const FieldInfo kCellFields[] = {
    KELM_ITEM_FIELDS(KelmStruct_Cell),
    KELM_FIELD(KelmStruct_Cell, m_sCellName, String),
    KELM_FIELD(KelmStruct_Cell, m_psarrPins, StringArray),
};
const FieldInfo kPartTypeFields[] = {
    KELM_ITEM_FIELDS(KelmStruct_PartType),
    KELM_FIELD(KelmStruct_PartType, m_sPartNumber, String),
    KELM_FIELD(KelmStruct_PartType, m_sPartName, String),
    KELM_FIELD(KelmStruct_PartType, m_sPartLabel, String),
    KELM_FIELD(KelmStruct_PartType, m_sPartType, String),
    KELM_FIELD(KelmStruct_PartType, m_sDescription, String),
    KELM_FIELD(KelmStruct_PartType, m_psarrPins, StringArray),
    {u"m_psarrLogicSymbols", offsetof(KelmStruct_PartType, m_psarrLogicSymbols), FieldKind::RecordArray, &kLogicSymbol},
    {u"m_psarrCells", offsetof(KelmStruct_PartType, m_psarrCells), FieldKind::RecordArray, &kCell},
};

#undef KELM_ITEM_FIELDS
#undef KELM_FIELD

template <std::size_t N>
constexpr ULONG CountOf(const FieldInfo (&)[N]) { return static_cast<ULONG>(N); }

const RecordType kLogicSymbol = {&GUID_KelmStruct_LogicSymbol, u"KelmStruct_LogicSymbol",
                                 sizeof(KelmStruct_LogicSymbol), kLogicSymbolFields, CountOf(kLogicSymbolFields)};
const RecordType kCell = {&GUID_KelmStruct_Cell, u"KelmStruct_Cell", sizeof(KelmStruct_Cell), kCellFields,
                          CountOf(kCellFields)};
const RecordType kPartType = {&GUID_KelmStruct_PartType, u"KelmStruct_PartType", sizeof(KelmStruct_PartType),
                              kPartTypeFields, CountOf(kPartTypeFields)};
const RecordType* const kRecordTypes[] = {&kLogicSymbol, &kCell, &kPartType};

bool SameName(const char16_t* a, const char16_t* b) {
    while (*a != 0 && *a == *b) { ++a; ++b; }
    return *a == *b;
}

template <typename T>
T& FieldAt(void* record, const FieldInfo& field) {
    return *reinterpret_cast<T*>(static_cast<unsigned char*>(record) + field.offset);
}

VARTYPE VarTypeOf(const FieldInfo& field) {
    switch (field.kind) {
        case FieldKind::Long: return VT_I4;
        case FieldKind::String: return VT_BSTR;
        case FieldKind::StringArray: return VT_ARRAY | VT_BSTR;
        case FieldKind::RecordArray: return VT_ARRAY | VT_RECORD;
    }
    return VT_EMPTY;
}

HRESULT CopyString(BSTR source, BSTR& target) {
    target = nullptr;
    if (source == nullptr) return S_OK;
    target = SysAllocStringByteLen(reinterpret_cast<const char*>(source), SysStringByteLen(source));
    return target == nullptr ? E_OUTOFMEMORY : S_OK;
}

IRecordInfo* NewRecordInfo(const RecordType& type);

// Whether an array may go into a field of this kind.
bool ArrayFits(SAFEARRAY* array, const FieldInfo& field) {
    if (array == nullptr) return true;
    VARTYPE vt = VT_EMPTY;
    if (FAILED(SafeArrayGetVartype(array, &vt))) return false;
    if (field.kind == FieldKind::StringArray) return vt == VT_BSTR;
    if (vt != VT_RECORD) return false;
    IRecordInfo* info = nullptr;
    if (FAILED(SafeArrayGetRecordInfo(array, &info)) || info == nullptr) return false;
    GUID guid{};
    const bool same = SUCCEEDED(info->GetGuid(&guid)) && IsEqualGUID(guid, *field.element->guid);
    info->Release();
    return same;
}

class KelmRecordInfo final : public IRecordInfo {
public:
    explicit KelmRecordInfo(const RecordType& type) : m_type(type) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IRecordInfo)) {
            *ppv = static_cast<IRecordInfo*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --m_refs;
        if (left == 0) delete this;
        return left;
    }

    STDMETHODIMP RecordInit(PVOID pvNew) override {
        if (pvNew == nullptr) return E_INVALIDARG;
        std::memset(pvNew, 0, m_type.size);
        return S_OK;
    }

    STDMETHODIMP RecordClear(PVOID pvExisting) override {
        if (pvExisting == nullptr) return E_INVALIDARG;
        for (ULONG i = 0; i < m_type.fieldCount; ++i) {
            const FieldInfo& field = m_type.fields[i];
            switch (field.kind) {
                case FieldKind::Long: FieldAt<LONG>(pvExisting, field) = 0; break;
                case FieldKind::String: {
                    BSTR& text = FieldAt<BSTR>(pvExisting, field);
                    SysFreeString(text);
                    text = nullptr;
                    break;
                }
                case FieldKind::StringArray:
                case FieldKind::RecordArray: {
                    SAFEARRAY*& array = FieldAt<SAFEARRAY*>(pvExisting, field);
                    const HRESULT hr = SafeArrayDestroy(array);
                    if (FAILED(hr)) return hr;
                    array = nullptr;
                    break;
                }
            }
        }
        return S_OK;
    }

    STDMETHODIMP RecordCopy(PVOID pvExisting, PVOID pvNew) override {
        if (pvExisting == nullptr || pvNew == nullptr) return E_INVALIDARG;
        if (pvExisting == pvNew) return S_OK;
        const HRESULT cleared = RecordClear(pvNew);
        if (FAILED(cleared)) return cleared;
        for (ULONG i = 0; i < m_type.fieldCount; ++i) {
            const FieldInfo& field = m_type.fields[i];
            HRESULT hr = S_OK;
            switch (field.kind) {
                case FieldKind::Long: FieldAt<LONG>(pvNew, field) = FieldAt<LONG>(pvExisting, field); break;
                case FieldKind::String:
                    hr = CopyString(FieldAt<BSTR>(pvExisting, field), FieldAt<BSTR>(pvNew, field));
                    break;
                case FieldKind::StringArray:
                case FieldKind::RecordArray:
                    hr = SafeArrayCopy(FieldAt<SAFEARRAY*>(pvExisting, field), &FieldAt<SAFEARRAY*>(pvNew, field));
                    break;
            }
            if (FAILED(hr)) {
                RecordClear(pvNew);
                return hr;
            }
        }
        return S_OK;
    }

    STDMETHODIMP GetGuid(GUID* pguid) override {
        if (pguid == nullptr) return E_INVALIDARG;
        *pguid = *m_type.guid;
        return S_OK;
    }
    STDMETHODIMP GetName(BSTR* pbstrName) override {
        if (pbstrName == nullptr) return E_INVALIDARG;
        *pbstrName = SysAllocString(m_type.name);
        return *pbstrName == nullptr ? E_OUTOFMEMORY : S_OK;
    }
    STDMETHODIMP GetSize(ULONG* pcbSize) override {
        if (pcbSize == nullptr) return E_INVALIDARG;
        *pcbSize = m_type.size;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(ITypeInfo** ppTypeInfo) override {
        if (ppTypeInfo != nullptr) *ppTypeInfo = nullptr;
        return E_NOTIMPL;
    }

    STDMETHODIMP GetField(PVOID pvData, LPCOLESTR szFieldName, VARIANT* pvarField) override {
        if (pvData == nullptr || szFieldName == nullptr || pvarField == nullptr) return E_INVALIDARG;
        const FieldInfo* field = Find(szFieldName);
        if (field == nullptr) return TYPE_E_ELEMENTNOTFOUND;
        VARIANT value;
        VariantInit(&value);
        value.vt = VarTypeOf(*field);
        HRESULT hr = S_OK;
        switch (field->kind) {
            case FieldKind::Long: value.lVal = FieldAt<LONG>(pvData, *field); break;
            case FieldKind::String: hr = CopyString(FieldAt<BSTR>(pvData, *field), value.bstrVal); break;
            case FieldKind::StringArray:
            case FieldKind::RecordArray:
                hr = SafeArrayCopy(FieldAt<SAFEARRAY*>(pvData, *field), &value.parray);
                break;
        }
        if (FAILED(hr)) return hr;
        VariantClear(pvarField);
        *pvarField = value;
        return S_OK;
    }

    STDMETHODIMP GetFieldNoCopy(PVOID pvData, LPCOLESTR szFieldName, VARIANT* pvarField,
                                PVOID* ppvDataCArray) override {
        if (pvData == nullptr || szFieldName == nullptr || pvarField == nullptr) return E_INVALIDARG;
        const FieldInfo* field = Find(szFieldName);
        if (field == nullptr) return TYPE_E_ELEMENTNOTFOUND;
        VariantClear(pvarField);
        pvarField->vt = static_cast<VARTYPE>(VT_BYREF | VarTypeOf(*field));
        pvarField->byref = static_cast<unsigned char*>(pvData) + field->offset;
        if (ppvDataCArray != nullptr) *ppvDataCArray = nullptr;
        return S_OK;
    }

    STDMETHODIMP PutField(ULONG, PVOID pvData, LPCOLESTR szFieldName, VARIANT* pvarField) override {
        if (pvData == nullptr || szFieldName == nullptr || pvarField == nullptr) return E_INVALIDARG;
        const FieldInfo* field = Find(szFieldName);
        if (field == nullptr) return TYPE_E_ELEMENTNOTFOUND;
        VARIANT copy;
        VariantInit(&copy);
        const HRESULT hr = VariantCopy(&copy, pvarField);
        if (FAILED(hr)) return hr;
        const HRESULT stored = Store(pvData, *field, copy);
        if (FAILED(stored)) VariantClear(&copy);
        return stored;
    }

    STDMETHODIMP PutFieldNoCopy(ULONG, PVOID pvData, LPCOLESTR szFieldName, VARIANT* pvarField) override {
        if (pvData == nullptr || szFieldName == nullptr || pvarField == nullptr) return E_INVALIDARG;
        const FieldInfo* field = Find(szFieldName);
        if (field == nullptr) return TYPE_E_ELEMENTNOTFOUND;
        return Store(pvData, *field, *pvarField);
    }

    STDMETHODIMP GetFieldNames(ULONG* pcNames, BSTR* rgBstrNames) override {
        if (pcNames == nullptr) return E_INVALIDARG;
        if (rgBstrNames == nullptr) {
            *pcNames = m_type.fieldCount;
            return S_OK;
        }
        const ULONG count = *pcNames < m_type.fieldCount ? *pcNames : m_type.fieldCount;
        for (ULONG i = 0; i < count; ++i) {
            rgBstrNames[i] = SysAllocString(m_type.fields[i].name);
            if (rgBstrNames[i] == nullptr) {
                for (ULONG j = 0; j < i; ++j) { SysFreeString(rgBstrNames[j]); rgBstrNames[j] = nullptr; }
                return E_OUTOFMEMORY;
            }
        }
        *pcNames = count;
        return S_OK;
    }

    STDMETHODIMP_(BOOL) IsMatchingType(IRecordInfo* pRecordInfo) override {
        GUID other{};
        return pRecordInfo != nullptr && SUCCEEDED(pRecordInfo->GetGuid(&other)) &&
               IsEqualGUID(other, *m_type.guid);
    }

    STDMETHODIMP_(PVOID) RecordCreate() override {
        void* record = std::calloc(1, m_type.size);
        return record;
    }

    STDMETHODIMP RecordCreateCopy(PVOID pvSource, PVOID* ppvDest) override {
        if (pvSource == nullptr || ppvDest == nullptr) return E_INVALIDARG;
        *ppvDest = nullptr;
        void* record = RecordCreate();
        if (record == nullptr) return E_OUTOFMEMORY;
        const HRESULT hr = RecordCopy(pvSource, record);
        if (FAILED(hr)) {
            std::free(record);
            return hr;
        }
        *ppvDest = record;
        return S_OK;
    }

    STDMETHODIMP RecordDestroy(PVOID pvRecord) override {
        if (pvRecord == nullptr) return S_OK;
        const HRESULT hr = RecordClear(pvRecord);
        if (FAILED(hr)) return hr;
        std::free(pvRecord);
        return S_OK;
    }

private:
    ~KelmRecordInfo() = default;

    const FieldInfo* Find(LPCOLESTR name) const {
        for (ULONG i = 0; i < m_type.fieldCount; ++i) {
            if (SameName(m_type.fields[i].name, name)) return &m_type.fields[i];
        }
        return nullptr;
    }

    // Moves the value into the field (the field takes ownership) after
    // checking its type; the old value is freed.
    HRESULT Store(void* record, const FieldInfo& field, VARIANT& value) {
        switch (field.kind) {
            case FieldKind::Long:
                if (value.vt == VT_I4 || value.vt == VT_INT) FieldAt<LONG>(record, field) = value.lVal;
                else if (value.vt == VT_I2) FieldAt<LONG>(record, field) = value.iVal;
                else return DISP_E_TYPEMISMATCH;
                break;
            case FieldKind::String:
                if (value.vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
                SysFreeString(FieldAt<BSTR>(record, field));
                FieldAt<BSTR>(record, field) = value.bstrVal;
                break;
            case FieldKind::StringArray:
            case FieldKind::RecordArray: {
                if (value.vt != VarTypeOf(field) || !ArrayFits(value.parray, field)) return DISP_E_TYPEMISMATCH;
                SAFEARRAY*& array = FieldAt<SAFEARRAY*>(record, field);
                const HRESULT hr = SafeArrayDestroy(array);
                if (FAILED(hr)) return hr;
                array = value.parray;
                break;
            }
        }
        value.vt = VT_EMPTY;
        return S_OK;
    }

    const RecordType& m_type;
    std::atomic<ULONG> m_refs{1};
};

IRecordInfo* NewRecordInfo(const RecordType& type) { return new (std::nothrow) KelmRecordInfo(type); }

}  // namespace

extern "C" HRESULT GetRecordInfoFromGuids(REFGUID rGuidTypeLib, ULONG uVerMajor, ULONG uVerMinor, LCID,
                                          REFGUID rGuidTypeInfo, IRecordInfo** ppRecInfo) {
    if (ppRecInfo == nullptr) return E_INVALIDARG;
    *ppRecInfo = nullptr;
    if (!IsEqualGUID(rGuidTypeLib, LIBID_KelmAPI) || uVerMajor != 1 || uVerMinor > 0) {
        return TYPE_E_LIBNOTREGISTERED;
    }
    for (const RecordType* type : kRecordTypes) {
        if (IsEqualGUID(*type->guid, rGuidTypeInfo)) {
            *ppRecInfo = NewRecordInfo(*type);
            return *ppRecInfo == nullptr ? E_OUTOFMEMORY : S_OK;
        }
    }
    return TYPE_E_ELEMENTNOTFOUND;
}

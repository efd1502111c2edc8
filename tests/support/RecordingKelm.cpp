#include "support/RecordingKelm.h"

namespace kelm::testing {
namespace {

std::string N(long value) { return std::to_string(value); }
std::string K(KelmEnum_ObjType kind) { return std::to_string(static_cast<long>(kind)); }
template <typename T> std::string O(T* out) { return out == nullptr ? "null" : "out"; }

}  // namespace

std::string Narrow(BSTR text) {
    if (text == nullptr) return "null";
    std::string result;
    for (UINT i = 0; i < SysStringLen(text); ++i) result += text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
    return result;
}

STDMETHODIMP RecordingKelm::QueryInterface(REFIID riid, void** ppv) {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_IKelm)) {
        *ppv = static_cast<IKelm*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

HRESULT RecordingKelm::Record(const char* name, std::vector<std::string> args) {
    std::string text = std::string(name) + "(";
    for (std::size_t i = 0; i < args.size(); ++i) text += (i ? ", " : "") + args[i];
    calls.push_back(text + ")");
    return status;
}

HRESULT RecordingKelm::FillText(BSTR* out) {
    if (out == nullptr) return E_POINTER;
    if (FAILED(status)) return status;
    SysFreeString(*out);
    *out = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(outText.data()), static_cast<UINT>(outText.size()));
    return status;
}

HRESULT RecordingKelm::FillArray(SAFEARRAY** out) {
    if (out == nullptr) return E_POINTER;
    if (FAILED(status)) return status;
    SafeArrayDestroy(*out);
    *out = SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(outArray.size()));
    for (std::size_t i = 0; i < outArray.size(); ++i) {
        static_cast<BSTR*>((*out)->pvData)[i] = SysAllocString(reinterpret_cast<const OLECHAR*>(outArray[i].c_str()));
    }
    return status;
}

HRESULT RecordingKelm::FillNumber(long* out) {
    if (out == nullptr) return E_POINTER;
    if (SUCCEEDED(status)) *out = outNumber;
    return status;
}

HRESULT RecordingKelm::FillFlag(VARIANT_BOOL* out) {
    if (out == nullptr) return E_POINTER;
    if (SUCCEEDED(status)) *out = outFlag;
    return status;
}

STDMETHODIMP RecordingKelm::Kelmstore_Open(BSTR a, BSTR b, VARIANT_BOOL c) {
    return Record("Kelmstore_Open", {Narrow(a), Narrow(b), N(c)});
}
STDMETHODIMP RecordingKelm::Kelmstore_Close() { return Record("Kelmstore_Close", {}); }
STDMETHODIMP RecordingKelm::RunCurator(BSTR a, BSTR b) { return Record("RunCurator", {Narrow(a), Narrow(b)}); }
STDMETHODIMP RecordingKelm::RefreshQVMTree(BSTR a, KelmEnum_ObjType k) {
    return Record("RefreshQVMTree", {Narrow(a), K(k)});
}
STDMETHODIMP RecordingKelm::ReloadQVM() { return Record("ReloadQVM", {}); }
STDMETHODIMP RecordingKelm::SaveQVM() { return Record("SaveQVM", {}); }
STDMETHODIMP RecordingKelm::ReservePartition(BSTR a, KelmEnum_ObjType k) {
    return Record("ReservePartition", {Narrow(a), K(k)});
}
STDMETHODIMP RecordingKelm::UnReservePartition(BSTR a, KelmEnum_ObjType k) {
    return Record("UnReservePartition", {Narrow(a), K(k)});
}
STDMETHODIMP RecordingKelm::GetSearchScheme_Default(BSTR* o) {
    Record("GetSearchScheme_Default", {O(o)});
    return FillText(o);
}
STDMETHODIMP RecordingKelm::GetSearchScheme_All(SAFEARRAY** o) {
    Record("GetSearchScheme_All", {O(o)});
    return FillArray(o);
}
STDMETHODIMP RecordingKelm::GetPartitionList_SearchScheme(BSTR a, KelmEnum_ObjType k, VARIANT_BOOL b1,
                                                          VARIANT_BOOL b2, SAFEARRAY** o) {
    Record("GetPartitionList_SearchScheme", {Narrow(a), K(k), N(b1), N(b2), O(o)});
    return FillArray(o);
}
STDMETHODIMP RecordingKelm::GetPartitionList_DefaultSearchScheme(KelmEnum_ObjType k, VARIANT_BOOL b1,
                                                                 VARIANT_BOOL b2, SAFEARRAY** o) {
    Record("GetPartitionList_DefaultSearchScheme", {K(k), N(b1), N(b2), O(o)});
    return FillArray(o);
}
STDMETHODIMP RecordingKelm::GetPartitionItemsCount(BSTR a, BSTR b, KelmEnum_ObjType k, long* o) {
    Record("GetPartitionItemsCount", {Narrow(a), Narrow(b), K(k), O(o)});
    return FillNumber(o);
}
STDMETHODIMP RecordingKelm::GetPartitionItems(BSTR a, BSTR b, KelmEnum_ObjType k, SAFEARRAY** o) {
    Record("GetPartitionItems", {Narrow(a), Narrow(b), K(k), O(o)});
    return FillArray(o);
}
STDMETHODIMP RecordingKelm::FindItemPartition(BSTR a, KelmEnum_ObjType k, BSTR* o) {
    Record("FindItemPartition", {Narrow(a), K(k), O(o)});
    return FillText(o);
}
STDMETHODIMP RecordingKelm::DoesItemExist(BSTR a, BSTR b, BSTR c, KelmEnum_ObjType k, VARIANT_BOOL* o) {
    Record("DoesItemExist", {Narrow(a), Narrow(b), Narrow(c), K(k), O(o)});
    return FillFlag(o);
}
STDMETHODIMP RecordingKelm::GetPinCount(BSTR a, BSTR b, KelmEnum_ObjType k, long* o) {
    Record("GetPinCount", {Narrow(a), Narrow(b), K(k), O(o)});
    return FillNumber(o);
}
STDMETHODIMP RecordingKelm::GetPartsUsingThisCell(BSTR a, SAFEARRAY** o) {
    Record("GetPartsUsingThisCell", {Narrow(a), O(o)});
    return FillArray(o);
}
STDMETHODIMP RecordingKelm::GetPartitionsStoringThisCell(BSTR a, SAFEARRAY** o) {
    Record("GetPartitionsStoringThisCell", {Narrow(a), O(o)});
    return FillArray(o);
}
STDMETHODIMP RecordingKelm::AddPartition(BSTR a, KelmEnum_ObjType k, VARIANT_BOOL b) {
    return Record("AddPartition", {Narrow(a), K(k), N(b)});
}
STDMETHODIMP RecordingKelm::DeletePartition(BSTR a, KelmEnum_ObjType k) {
    return Record("DeletePartition", {Narrow(a), K(k)});
}
STDMETHODIMP RecordingKelm::AddItemToQVM_Part(BSTR a, KelmStruct_PartType* p, VARIANT_BOOL b) {
    return Record("AddItemToQVM_Part", {Narrow(a), p == nullptr ? "null" : Narrow(p->m_sPartNumber), N(b)});
}
STDMETHODIMP RecordingKelm::AddItemToQVM_Cell(BSTR a, KelmStruct_Cell* c, VARIANT_BOOL b) {
    return Record("AddItemToQVM_Cell", {Narrow(a), c == nullptr ? "null" : Narrow(c->m_sCellName), N(b)});
}
STDMETHODIMP RecordingKelm::DeleteItemFromQVM(BSTR a, BSTR b, KelmEnum_ObjType k, VARIANT_BOOL* o) {
    Record("DeleteItemFromQVM", {Narrow(a), Narrow(b), K(k), O(o)});
    return FillFlag(o);
}
STDMETHODIMP RecordingKelm::CopyItemInQVM(BSTR a, BSTR b, BSTR c, BSTR d, KelmEnum_ObjType k, VARIANT_BOOL f1,
                                          VARIANT_BOOL f2) {
    return Record("CopyItemInQVM", {Narrow(a), Narrow(b), Narrow(c), Narrow(d), K(k), N(f1), N(f2)});
}
STDMETHODIMP RecordingKelm::CreateDefaultPadstack(BSTR a, BSTR b) {
    return Record("CreateDefaultPadstack", {Narrow(a), Narrow(b)});
}
STDMETHODIMP RecordingKelm::GetPartitionReservation(BSTR a, KelmEnum_ObjType k, BSTR* o) {
    Record("GetPartitionReservation", {Narrow(a), K(k), O(o)});
    return FillText(o);
}

}  // namespace kelm::testing

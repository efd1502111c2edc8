// An IKelm that records each call as text and answers with scripted
// outputs, so that the late-binding layer can be checked on its own:
//   Name(arg, arg, ...) with strings as they came (null as "null"), flags and
//   kinds as numbers, records by their name field, out-parameters as "out"
//   (or "null" when the pointer is null).
// Every method returns `status`; on success out-parameters are filled with
// the values below.
#pragma once

#include <string>
#include <vector>

#include "kelmapi/kelmapi.h"

namespace kelm::testing {

class RecordingKelm final : public IKelm {
public:
    HRESULT status = S_OK;
    std::vector<std::string> calls;

    // Out values given on success.
    std::u16string outText = u"answer";
    std::vector<std::u16string> outArray = {u"first", u"second"};
    long outNumber = 42;
    VARIANT_BOOL outFlag = VARIANT_TRUE;

    STDMETHOD(QueryInterface)(REFIID, void** ppv) override;
    STDMETHOD_(ULONG, AddRef)() override { return 1; }
    STDMETHOD_(ULONG, Release)() override { return 1; }
    STDMETHOD(GetTypeInfoCount)(UINT*) override { return E_NOTIMPL; }
    STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHOD(Invoke)(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

#define KELM_RECORD(name, ...) { return Call(#name, __VA_ARGS__); }
    STDMETHOD(Kelmstore_Open)(BSTR a, BSTR b, VARIANT_BOOL c) override KELM_RECORD(Kelmstore_Open, a, b, c)
    STDMETHOD(Kelmstore_Close)() override { return Call("Kelmstore_Close"); }
    STDMETHOD(RunCurator)(BSTR a, BSTR b) override KELM_RECORD(RunCurator, a, b)
    STDMETHOD(RefreshQVMTree)(BSTR a, KelmEnum_ObjType k) override KELM_RECORD(RefreshQVMTree, a, k)
    STDMETHOD(ReloadQVM)() override { return Call("ReloadQVM"); }
    STDMETHOD(SaveQVM)() override { return Call("SaveQVM"); }
    STDMETHOD(ReservePartition)(BSTR a, KelmEnum_ObjType k) override KELM_RECORD(ReservePartition, a, k)
    STDMETHOD(UnReservePartition)(BSTR a, KelmEnum_ObjType k) override KELM_RECORD(UnReservePartition, a, k)
    STDMETHOD(GetSearchScheme_Default)(BSTR* o) override KELM_RECORD(GetSearchScheme_Default, o)
    STDMETHOD(GetSearchScheme_All)(SAFEARRAY** o) override KELM_RECORD(GetSearchScheme_All, o)
    STDMETHOD(GetPartitionList_SearchScheme)(BSTR a, KelmEnum_ObjType k, VARIANT_BOOL b1, VARIANT_BOOL b2,
                                             SAFEARRAY** o) override
        KELM_RECORD(GetPartitionList_SearchScheme, a, k, b1, b2, o)
    STDMETHOD(GetPartitionList_DefaultSearchScheme)(KelmEnum_ObjType k, VARIANT_BOOL b1, VARIANT_BOOL b2,
                                                    SAFEARRAY** o) override
        KELM_RECORD(GetPartitionList_DefaultSearchScheme, k, b1, b2, o)
    STDMETHOD(GetPartitionItemsCount)(BSTR a, BSTR b, KelmEnum_ObjType k, long* o) override
        KELM_RECORD(GetPartitionItemsCount, a, b, k, o)
    STDMETHOD(GetPartitionItems)(BSTR a, BSTR b, KelmEnum_ObjType k, SAFEARRAY** o) override
        KELM_RECORD(GetPartitionItems, a, b, k, o)
    STDMETHOD(FindItemPartition)(BSTR a, KelmEnum_ObjType k, BSTR* o) override KELM_RECORD(FindItemPartition, a, k, o)
    STDMETHOD(DoesItemExist)(BSTR a, BSTR b, BSTR c, KelmEnum_ObjType k, VARIANT_BOOL* o) override
        KELM_RECORD(DoesItemExist, a, b, c, k, o)
    STDMETHOD(GetPinCount)(BSTR a, BSTR b, KelmEnum_ObjType k, long* o) override KELM_RECORD(GetPinCount, a, b, k, o)
    STDMETHOD(GetPartsUsingThisCell)(BSTR a, SAFEARRAY** o) override KELM_RECORD(GetPartsUsingThisCell, a, o)
    STDMETHOD(GetPartitionsStoringThisCell)(BSTR a, SAFEARRAY** o) override
        KELM_RECORD(GetPartitionsStoringThisCell, a, o)
    STDMETHOD(AddPartition)(BSTR a, KelmEnum_ObjType k, VARIANT_BOOL b) override KELM_RECORD(AddPartition, a, k, b)
    STDMETHOD(DeletePartition)(BSTR a, KelmEnum_ObjType k) override KELM_RECORD(DeletePartition, a, k)
    STDMETHOD(AddItemToQVM_Part)(BSTR a, KelmStruct_PartType* p, VARIANT_BOOL b) override
        KELM_RECORD(AddItemToQVM_Part, a, p, b)
    STDMETHOD(AddItemToQVM_Cell)(BSTR a, KelmStruct_Cell* c, VARIANT_BOOL b) override
        KELM_RECORD(AddItemToQVM_Cell, a, c, b)
    STDMETHOD(DeleteItemFromQVM)(BSTR a, BSTR b, KelmEnum_ObjType k, VARIANT_BOOL* o) override
        KELM_RECORD(DeleteItemFromQVM, a, b, k, o)
    STDMETHOD(CopyItemInQVM)(BSTR a, BSTR b, BSTR c, BSTR d, KelmEnum_ObjType k, VARIANT_BOOL f1, VARIANT_BOOL f2) override
        KELM_RECORD(CopyItemInQVM, a, b, c, d, k, f1, f2)
    STDMETHOD(CreateDefaultPadstack)(BSTR a, BSTR b) override KELM_RECORD(CreateDefaultPadstack, a, b)
    STDMETHOD(GetPartitionReservation)(BSTR a, KelmEnum_ObjType k, BSTR* o) override
        KELM_RECORD(GetPartitionReservation, a, k, o)
#undef KELM_RECORD

private:
    // Records the call, then fills the out-parameter, which comes last.
    template <typename... Args>
    HRESULT Call(const char* name, Args... args) {
        Record(name, {Text(args)...});
        HRESULT hr = status;
        ((hr = Fill(args)), ...);
        return hr;
    }
    void Record(const char* name, const std::vector<std::string>& args);

    static std::string Text(BSTR value);
    static std::string Text(KelmEnum_ObjType kind) { return std::to_string(static_cast<long>(kind)); }
    static std::string Text(VARIANT_BOOL flag) { return std::to_string(flag); }
    static std::string Text(KelmStruct_PartType* part) { return part ? Text(part->m_sPartNumber) : "null"; }
    static std::string Text(KelmStruct_Cell* cell) { return cell ? Text(cell->m_sCellName) : "null"; }
    template <typename T>
    static std::string Text(T* out) { return out ? "out" : "null"; }

    template <typename T>
    HRESULT Fill(T) { return status; }  // an input
    HRESULT Fill(BSTR* out);
    HRESULT Fill(SAFEARRAY** out);
    HRESULT Fill(long* out);
    HRESULT Fill(VARIANT_BOOL* out);
};

// ASCII text of a BSTR ("null" for a null one); other characters become '?'.
std::string Narrow(BSTR text);

}  // namespace kelm::testing

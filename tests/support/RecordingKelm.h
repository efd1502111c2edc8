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

    const std::string& Last() const { return calls.back(); }

    STDMETHOD(QueryInterface)(REFIID, void** ppv) override;
    STDMETHOD_(ULONG, AddRef)() override { return 1; }
    STDMETHOD_(ULONG, Release)() override { return 1; }
    STDMETHOD(GetTypeInfoCount)(UINT*) override { return E_NOTIMPL; }
    STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHOD(Invoke)(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    STDMETHOD(Kelmstore_Open)(BSTR, BSTR, VARIANT_BOOL) override;
    STDMETHOD(Kelmstore_Close)() override;
    STDMETHOD(RunCurator)(BSTR, BSTR) override;
    STDMETHOD(RefreshQVMTree)(BSTR, KelmEnum_ObjType) override;
    STDMETHOD(ReloadQVM)() override;
    STDMETHOD(SaveQVM)() override;
    STDMETHOD(ReservePartition)(BSTR, KelmEnum_ObjType) override;
    STDMETHOD(UnReservePartition)(BSTR, KelmEnum_ObjType) override;
    STDMETHOD(GetSearchScheme_Default)(BSTR*) override;
    STDMETHOD(GetSearchScheme_All)(SAFEARRAY**) override;
    STDMETHOD(GetPartitionList_SearchScheme)(BSTR, KelmEnum_ObjType, VARIANT_BOOL, VARIANT_BOOL,
                                             SAFEARRAY**) override;
    STDMETHOD(GetPartitionList_DefaultSearchScheme)(KelmEnum_ObjType, VARIANT_BOOL, VARIANT_BOOL,
                                                    SAFEARRAY**) override;
    STDMETHOD(GetPartitionItemsCount)(BSTR, BSTR, KelmEnum_ObjType, long*) override;
    STDMETHOD(GetPartitionItems)(BSTR, BSTR, KelmEnum_ObjType, SAFEARRAY**) override;
    STDMETHOD(FindItemPartition)(BSTR, KelmEnum_ObjType, BSTR*) override;
    STDMETHOD(DoesItemExist)(BSTR, BSTR, BSTR, KelmEnum_ObjType, VARIANT_BOOL*) override;
    STDMETHOD(GetPinCount)(BSTR, BSTR, KelmEnum_ObjType, long*) override;
    STDMETHOD(GetPartsUsingThisCell)(BSTR, SAFEARRAY**) override;
    STDMETHOD(GetPartitionsStoringThisCell)(BSTR, SAFEARRAY**) override;
    STDMETHOD(AddPartition)(BSTR, KelmEnum_ObjType, VARIANT_BOOL) override;
    STDMETHOD(DeletePartition)(BSTR, KelmEnum_ObjType) override;
    STDMETHOD(AddItemToQVM_Part)(BSTR, KelmStruct_PartType*, VARIANT_BOOL) override;
    STDMETHOD(AddItemToQVM_Cell)(BSTR, KelmStruct_Cell*, VARIANT_BOOL) override;
    STDMETHOD(DeleteItemFromQVM)(BSTR, BSTR, KelmEnum_ObjType, VARIANT_BOOL*) override;
    STDMETHOD(CopyItemInQVM)(BSTR, BSTR, BSTR, BSTR, KelmEnum_ObjType, VARIANT_BOOL, VARIANT_BOOL) override;
    STDMETHOD(CreateDefaultPadstack)(BSTR, BSTR) override;
    STDMETHOD(GetPartitionReservation)(BSTR, KelmEnum_ObjType, BSTR*) override;

private:
    HRESULT Record(const char* name, std::vector<std::string> args);
    HRESULT FillText(BSTR* out);
    HRESULT FillArray(SAFEARRAY** out);
    HRESULT FillNumber(long* out);
    HRESULT FillFlag(VARIANT_BOOL* out);
};

// ASCII text of a BSTR ("null" for a null one); other characters become '?'.
std::string Narrow(BSTR text);

}  // namespace kelm::testing

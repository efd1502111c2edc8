// CKelm: the Kelm object. Each method converts its input strings and
// forwards to the function that implements it; exceptions stop here.
#pragma once

#include "kelmapi/kelmapi.h"
#include "session/LibrarySession.h"

namespace kelm {

class CKelm final : public IKelm {
public:
    // Creates an object, aggregated when outer is not null (then riid must be IID_IUnknown).
    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv);

    // For tests: an object whose store session uses this backend.
    static HRESULT CreateWithBackend(std::shared_ptr<store::StoreBackend> backend, REFIID riid, void** ppv,
                                     IUnknown* outer = nullptr);

    LibrarySession& Session() { return m_session; }

    // IUnknown: delegates to the outer object when aggregated.
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;

    // IDispatch
    STDMETHOD(GetTypeInfoCount)(UINT* pctinfo) override;
    STDMETHOD(GetTypeInfo)(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    STDMETHOD(GetIDsOfNames)(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) override;
    STDMETHOD(Invoke)(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                      VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

    // IKelm
    STDMETHOD(Kelmstore_Open)(BSTR i_sQVMFile, BSTR i_sUserName, VARIANT_BOOL i_bReadOnly) override;
    STDMETHOD(Kelmstore_Close)() override;
    STDMETHOD(RunCurator)(BSTR i_sQVMFile, BSTR i_sFlowType) override;
    STDMETHOD(RefreshQVMTree)(BSTR i_sPartitionName, KelmEnum_ObjType i_eLibObjType) override;
    STDMETHOD(ReloadQVM)() override;
    STDMETHOD(SaveQVM)() override;
    STDMETHOD(ReservePartition)(BSTR i_sPartitionName, KelmEnum_ObjType i_eLibObjType) override;
    STDMETHOD(UnReservePartition)(BSTR i_sPartitionName, KelmEnum_ObjType i_eLibObjType) override;
    STDMETHOD(GetSearchScheme_Default)(BSTR* o_psDefaultSearchScheme) override;
    STDMETHOD(GetSearchScheme_All)(SAFEARRAY** o_psarrSearchSchemes) override;
    STDMETHOD(GetPartitionList_SearchScheme)(BSTR i_sSearchScheme, KelmEnum_ObjType i_eLibObjType,
                                             VARIANT_BOOL i_bOnlyNames, VARIANT_BOOL i_bRemoveFileExtensions,
                                             SAFEARRAY** o_psarrPartitions) override;
    STDMETHOD(GetPartitionList_DefaultSearchScheme)(KelmEnum_ObjType i_eLibObjType, VARIANT_BOOL i_bOnlyNames,
                                                    VARIANT_BOOL i_bRemoveFileExtensions,
                                                    SAFEARRAY** o_psarrPartitions) override;
    STDMETHOD(GetPartitionItemsCount)(BSTR i_sPartitionName, BSTR i_sItemFilter, KelmEnum_ObjType i_eLibObjType,
                                      long* o_pnItemCount) override;
    STDMETHOD(GetPartitionItems)(BSTR i_sPartitionName, BSTR i_sItemFilter, KelmEnum_ObjType i_eLibObjType,
                                 SAFEARRAY** o_psarrItems) override;
    STDMETHOD(FindItemPartition)(BSTR i_sItemName, KelmEnum_ObjType i_eLibObjType, BSTR* o_psPartitionName) override;
    STDMETHOD(DoesItemExist)(BSTR i_sPartitionName, BSTR i_sExcludedPartitionName, BSTR i_sItemName,
                             KelmEnum_ObjType i_eLibObjType, VARIANT_BOOL* o_pbExists) override;
    STDMETHOD(GetPinCount)(BSTR i_sPartitionName, BSTR i_sItemName, KelmEnum_ObjType i_eLibObjType,
                           long* o_pnPinCount) override;
    STDMETHOD(GetPartsUsingThisCell)(BSTR i_sCellName, SAFEARRAY** o_psarrParts) override;
    STDMETHOD(GetPartitionsStoringThisCell)(BSTR i_sCellName, SAFEARRAY** o_psarrPartitions) override;
    STDMETHOD(AddPartition)(BSTR i_sPartitionName, KelmEnum_ObjType i_eLibObjType,
                            VARIANT_BOOL i_bAddToDefaultSearchScheme) override;
    STDMETHOD(DeletePartition)(BSTR i_sPartitionName, KelmEnum_ObjType i_eLibObjType) override;
    STDMETHOD(AddItemToQVM_Part)(BSTR i_sPartitionName, KelmStruct_PartType* i_pPartType,
                                 VARIANT_BOOL i_bOverwriteIfExists) override;
    STDMETHOD(AddItemToQVM_Cell)(BSTR i_sPartitionName, KelmStruct_Cell* i_pCell,
                                 VARIANT_BOOL i_bOverwriteIfExists) override;
    STDMETHOD(DeleteItemFromQVM)(BSTR i_sPartitionName, BSTR i_sItemName, KelmEnum_ObjType i_eLibObjType,
                                 VARIANT_BOOL* o_pbNoItemToDelete) override;
    STDMETHOD(CopyItemInQVM)(BSTR i_sSrcPartitionName, BSTR i_sSrcItemName, BSTR i_sDestPartitionName,
                             BSTR i_sDestItemName, KelmEnum_ObjType i_eLibObjType, VARIANT_BOOL i_bOverwrite,
                             VARIANT_BOOL i_bMove) override;
    STDMETHOD(CreateDefaultPadstack)(BSTR i_sDefaultPadstackName, BSTR i_sPadstackDBFile) override;
    STDMETHOD(GetPartitionReservation)(BSTR i_sPartitionName, KelmEnum_ObjType i_eLibObjType,
                                       BSTR* i_sClientname) override;

private:
    explicit CKelm(IUnknown* outer, std::shared_ptr<store::StoreBackend> backend);
    ~CKelm();

    // The non-delegating IUnknown: the object's own identity and count.
    struct Inner final : IUnknown {
        STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
        STDMETHOD_(ULONG, AddRef)() override;
        STDMETHOD_(ULONG, Release)() override;
        CKelm* Owner() { return owner; }
        CKelm* owner = nullptr;
    };

    Inner m_inner;
    IUnknown* m_outer;  // the outer object when aggregated, else &m_inner
    ULONG m_refs = 0;   // single-threaded apartment: not interlocked
    LibrarySession m_session;
};

}  // namespace kelm

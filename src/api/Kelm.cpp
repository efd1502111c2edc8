#include "api/Kelm.h"

#include <functional>
#include <new>
#include <optional>

#include "api/Dispatch.h"
#include "api/DispatchTable.h"
#include "api/Module.h"
#include "import/CellImport.h"
#include "import/PartImport.h"
#include "maintenance/DefaultPadstack.h"
#include "maintenance/ItemCopy.h"
#include "maintenance/ItemDeletion.h"
#include "maintenance/Partitions.h"
#include "maintenance/Reservation.h"
#include "platform/CodePage.h"
#include "platform/DebugOutput.h"
#include "query/ItemLookup.h"
#include "query/PartitionItems.h"
#include "query/SearchSchemes.h"
#include "query/UsageQueries.h"
#include "session/CuratorLauncher.h"
#include "util/Failures.h"
#include "util/Format.h"

namespace kelm {
namespace {

HRESULT RunBody(const std::function<HRESULT()>& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

// Runs a method body; no exception leaves the object. A failed call writes
// one debug line naming the first guard that failed on its way.
template <typename Body>
HRESULT Guarded(Body&& body) noexcept {
    std::optional<FailureInfo> first;
    HRESULT hr = E_FAIL;
    {
        FailureCallbackScope scope([&](const FailureInfo& failure) {
            if (!first) first = failure;
        });
        hr = RunBody(body);
    }
    if (FAILED(hr) && first) {
        try {
            platform::WriteDebugLine(Format("KelmAPI: call failed with 0x%08lX; first failure at ",
                                            static_cast<unsigned long>(static_cast<unsigned int>(hr))) +
                                     DescribeFailure(*first));
        } catch (...) {
            // The status is what the caller gets, logged or not.
        }
    }
    return hr;
}

std::string A(BSTR text) { return platform::BstrToAnsi(text); }

// An argument as a failure description names it: strings as they came, a
// kind by its number, a record by its name; nothing for flags and outs.
std::string Words(BSTR text) { return A(text); }
std::string Words(KelmEnum_ObjType kind) { return std::to_string(static_cast<long>(kind)); }
std::string Words(KelmStruct_PartType* part) { return part ? A(part->m_sPartNumber) : std::string(); }
std::string Words(KelmStruct_Cell* cell) { return cell ? A(cell->m_sCellName) : std::string(); }
template <typename T>
std::string Words(const T&) {
    return {};
}

}  // namespace

template <auto method, typename Body, typename... Args>
HRESULT CKelm::Boundary(Body&& body, const Args&... args) noexcept {
    const CallFailure::Before before = m_failure.Begin(m_session);
    const HRESULT hr = Guarded(std::forward<Body>(body));
    if (FAILED(hr)) {
        Guarded([&] {
            m_failure.End(before, m_session, *FindDispatchMethod(KelmDispatchId<method>), {Words(args)...}, hr);
            return S_OK;
        });
    }
    return hr;
}

// ---------------------------------------------------------------- life
CKelm::CKelm(IUnknown* outer, std::shared_ptr<store::StoreBackend> backend)
    : m_outer(outer ? outer : &m_inner), m_session(backend ? std::move(backend) : store::CreateDefaultBackend()) {
    m_inner.owner = this;
    ModuleLock();
}

CKelm::~CKelm() { ModuleUnlock(); }

HRESULT CKelm::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
    return CreateWithBackend(nullptr, riid, ppv, outer);
}

HRESULT CKelm::CreateWithBackend(std::shared_ptr<store::StoreBackend> backend, REFIID riid, void** ppv,
                                 IUnknown* outer) {
    RETURN_HR_IF_NULL(E_POINTER, ppv);
    *ppv = nullptr;
    // An aggregated object hands out its non-delegating IUnknown only.
    RETURN_HR_IF(CLASS_E_NOAGGREGATION, outer != nullptr && !IsEqualIID(riid, IID_IUnknown));
    return Guarded([&]() -> HRESULT {
        CKelm* object = new CKelm(outer, std::move(backend));
        object->m_inner.AddRef();
        const HRESULT hr = object->m_inner.QueryInterface(riid, ppv);
        object->m_inner.Release();
        return hr;
    });
}

STDMETHODIMP CKelm::Inner::QueryInterface(REFIID riid, void** ppv) {
    RETURN_HR_IF_NULL(E_POINTER, ppv);
    CKelm* owner = Owner();
    if (IsEqualIID(riid, IID_IUnknown)) {
        *ppv = static_cast<IUnknown*>(this);
    } else if (IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_IKelm)) {
        *ppv = static_cast<IKelm*>(owner);
    } else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    static_cast<IUnknown*>(*ppv)->AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CKelm::Inner::AddRef() { return ++Owner()->m_refs; }

STDMETHODIMP_(ULONG) CKelm::Inner::Release() {
    CKelm* owner = Owner();
    const ULONG refs = --owner->m_refs;
    if (refs == 0) delete owner;
    return refs;
}

STDMETHODIMP CKelm::QueryInterface(REFIID riid, void** ppv) { return m_outer->QueryInterface(riid, ppv); }
STDMETHODIMP_(ULONG) CKelm::AddRef() { return m_outer->AddRef(); }
STDMETHODIMP_(ULONG) CKelm::Release() { return m_outer->Release(); }

// ---------------------------------------------------------------- IDispatch
STDMETHODIMP CKelm::GetTypeInfoCount(UINT* pctinfo) {
    return Guarded([&] { return KelmGetTypeInfoCount(pctinfo); });
}
STDMETHODIMP CKelm::GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) {
    return Guarded([&] { return KelmGetTypeInfo(iTInfo, lcid, ppTInfo); });
}
STDMETHODIMP CKelm::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) {
    return Guarded([&] { return KelmGetIDsOfNames(riid, rgszNames, cNames, lcid, rgDispId); });
}
STDMETHODIMP CKelm::Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                           VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) {
    return Guarded([&] {
        const FailureDescriber describe = [this](HRESULT status) { return m_failure.DescriptionFor(status); };
        return KelmInvoke(*this, describe, dispIdMember, riid, lcid, wFlags, pDispParams, pVarResult, pExcepInfo,
                          puArgErr);
    });
}

// ---------------------------------------------------------------- session
STDMETHODIMP CKelm::Kelmstore_Open(BSTR i_sQVMFile, BSTR i_sUserName, VARIANT_BOOL i_bReadOnly) {
    return Boundary<&IKelm::Kelmstore_Open>([&] { return m_session.Open(A(i_sQVMFile), A(i_sUserName), i_bReadOnly); },
                                            i_sQVMFile, i_sUserName, i_bReadOnly);
}
STDMETHODIMP CKelm::Kelmstore_Close() {
    return Boundary<&IKelm::Kelmstore_Close>([&] { return m_session.Close(); });
}
STDMETHODIMP CKelm::ReloadQVM() {
    return Boundary<&IKelm::ReloadQVM>([&] { return m_session.Reload(); });
}
STDMETHODIMP CKelm::SaveQVM() {
    return Boundary<&IKelm::SaveQVM>([&] { return m_session.Save(); });
}

STDMETHODIMP CKelm::RunCurator(BSTR i_sQVMFile, BSTR i_sFlowType) {
    return Boundary<&IKelm::RunCurator>([&] { return kelm::RunCurator(m_session, A(i_sQVMFile), A(i_sFlowType)); },
                                        i_sQVMFile, i_sFlowType);
}
STDMETHODIMP CKelm::RefreshQVMTree(BSTR i_sPartitionName, KelmEnum_ObjType i_eLibObjType) {
    return Boundary<&IKelm::RefreshQVMTree>(
        [&] { return kelm::RefreshQVMTree(m_session, A(i_sPartitionName), i_eLibObjType); }, i_sPartitionName,
        i_eLibObjType);
}

// ---------------------------------------------------------------- reservation
STDMETHODIMP CKelm::ReservePartition(BSTR i_sPartitionName, KelmEnum_ObjType i_eLibObjType) {
    return Boundary<&IKelm::ReservePartition>(
        [&] { return kelm::ReservePartition(m_session, A(i_sPartitionName), i_eLibObjType); }, i_sPartitionName,
        i_eLibObjType);
}
STDMETHODIMP CKelm::UnReservePartition(BSTR i_sPartitionName, KelmEnum_ObjType i_eLibObjType) {
    return Boundary<&IKelm::UnReservePartition>(
        [&] { return kelm::UnReservePartition(m_session, A(i_sPartitionName), i_eLibObjType); }, i_sPartitionName,
        i_eLibObjType);
}
STDMETHODIMP CKelm::GetPartitionReservation(BSTR i_sPartitionName, KelmEnum_ObjType i_eLibObjType,
                                            BSTR* i_sClientname) {
    return Boundary<&IKelm::GetPartitionReservation>(
        [&] { return kelm::GetPartitionReservation(m_session, A(i_sPartitionName), i_eLibObjType, i_sClientname); },
        i_sPartitionName, i_eLibObjType, i_sClientname);
}

// ---------------------------------------------------------------- queries
STDMETHODIMP CKelm::GetSearchScheme_Default(BSTR* o_psDefaultSearchScheme) {
    return Boundary<&IKelm::GetSearchScheme_Default>(
        [&] { return kelm::GetSearchScheme_Default(m_session, o_psDefaultSearchScheme); }, o_psDefaultSearchScheme);
}
STDMETHODIMP CKelm::GetSearchScheme_All(SAFEARRAY** o_psarrSearchSchemes) {
    return Boundary<&IKelm::GetSearchScheme_All>(
        [&] { return kelm::GetSearchScheme_All(m_session, o_psarrSearchSchemes); }, o_psarrSearchSchemes);
}
STDMETHODIMP CKelm::GetPartitionList_SearchScheme(BSTR i_sSearchScheme, KelmEnum_ObjType i_eLibObjType,
                                                  VARIANT_BOOL i_bOnlyNames, VARIANT_BOOL i_bRemoveFileExtensions,
                                                  SAFEARRAY** o_psarrPartitions) {
    return Boundary<&IKelm::GetPartitionList_SearchScheme>(
        [&] {
            return kelm::GetPartitionList_SearchScheme(m_session, A(i_sSearchScheme), i_eLibObjType, i_bOnlyNames,
                                                       i_bRemoveFileExtensions, o_psarrPartitions);
        },
        i_sSearchScheme, i_eLibObjType, i_bOnlyNames, i_bRemoveFileExtensions, o_psarrPartitions);
}
STDMETHODIMP CKelm::GetPartitionList_DefaultSearchScheme(KelmEnum_ObjType i_eLibObjType, VARIANT_BOOL i_bOnlyNames,
                                                         VARIANT_BOOL i_bRemoveFileExtensions,
                                                         SAFEARRAY** o_psarrPartitions) {
    return Boundary<&IKelm::GetPartitionList_DefaultSearchScheme>(
        [&] {
            return kelm::GetPartitionList_DefaultSearchScheme(*this, i_eLibObjType, i_bOnlyNames,
                                                              i_bRemoveFileExtensions, o_psarrPartitions);
        },
        i_eLibObjType, i_bOnlyNames, i_bRemoveFileExtensions, o_psarrPartitions);
}
STDMETHODIMP CKelm::GetPartitionItemsCount(BSTR i_sPartitionName, BSTR i_sItemFilter, KelmEnum_ObjType i_eLibObjType,
                                           long* o_pnItemCount) {
    return Boundary<&IKelm::GetPartitionItemsCount>(
        [&] {
            return kelm::GetPartitionItemsCount(m_session, A(i_sPartitionName), A(i_sItemFilter), i_eLibObjType,
                                                o_pnItemCount);
        },
        i_sPartitionName, i_sItemFilter, i_eLibObjType, o_pnItemCount);
}
STDMETHODIMP CKelm::GetPartitionItems(BSTR i_sPartitionName, BSTR i_sItemFilter, KelmEnum_ObjType i_eLibObjType,
                                      SAFEARRAY** o_psarrItems) {
    return Boundary<&IKelm::GetPartitionItems>(
        [&] {
            return kelm::GetPartitionItems(m_session, A(i_sPartitionName), A(i_sItemFilter), i_eLibObjType,
                                           o_psarrItems);
        },
        i_sPartitionName, i_sItemFilter, i_eLibObjType, o_psarrItems);
}
STDMETHODIMP CKelm::FindItemPartition(BSTR i_sItemName, KelmEnum_ObjType i_eLibObjType, BSTR* o_psPartitionName) {
    return Boundary<&IKelm::FindItemPartition>(
        [&] { return kelm::FindItemPartition(m_session, A(i_sItemName), i_eLibObjType, o_psPartitionName); },
        i_sItemName, i_eLibObjType, o_psPartitionName);
}
STDMETHODIMP CKelm::DoesItemExist(BSTR i_sPartitionName, BSTR i_sExcludedPartitionName, BSTR i_sItemName,
                                  KelmEnum_ObjType i_eLibObjType, VARIANT_BOOL* o_pbExists) {
    return Boundary<&IKelm::DoesItemExist>(
        [&] {
            return kelm::DoesItemExist(m_session, A(i_sPartitionName), A(i_sExcludedPartitionName), A(i_sItemName),
                                       i_eLibObjType, o_pbExists);
        },
        i_sPartitionName, i_sExcludedPartitionName, i_sItemName, i_eLibObjType, o_pbExists);
}
STDMETHODIMP CKelm::GetPinCount(BSTR i_sPartitionName, BSTR i_sItemName, KelmEnum_ObjType i_eLibObjType,
                                long* o_pnPinCount) {
    return Boundary<&IKelm::GetPinCount>(
        [&] { return kelm::GetPinCount(m_session, A(i_sPartitionName), A(i_sItemName), i_eLibObjType, o_pnPinCount); },
        i_sPartitionName, i_sItemName, i_eLibObjType, o_pnPinCount);
}
STDMETHODIMP CKelm::GetPartsUsingThisCell(BSTR i_sCellName, SAFEARRAY** o_psarrParts) {
    return Boundary<&IKelm::GetPartsUsingThisCell>(
        [&] { return kelm::GetPartsUsingThisCell(m_session, A(i_sCellName), o_psarrParts); }, i_sCellName,
        o_psarrParts);
}
STDMETHODIMP CKelm::GetPartitionsStoringThisCell(BSTR i_sCellName, SAFEARRAY** o_psarrPartitions) {
    return Boundary<&IKelm::GetPartitionsStoringThisCell>(
        [&] { return kelm::GetPartitionsStoringThisCell(m_session, A(i_sCellName), o_psarrPartitions); }, i_sCellName,
        o_psarrPartitions);
}

// ---------------------------------------------------------------- maintenance
STDMETHODIMP CKelm::AddPartition(BSTR i_sPartitionName, KelmEnum_ObjType i_eLibObjType,
                                 VARIANT_BOOL i_bAddToDefaultSearchScheme) {
    return Boundary<&IKelm::AddPartition>(
        [&] { return kelm::AddPartition(m_session, A(i_sPartitionName), i_eLibObjType, i_bAddToDefaultSearchScheme); },
        i_sPartitionName, i_eLibObjType, i_bAddToDefaultSearchScheme);
}
STDMETHODIMP CKelm::DeletePartition(BSTR i_sPartitionName, KelmEnum_ObjType i_eLibObjType) {
    return Boundary<&IKelm::DeletePartition>(
        [&] { return kelm::DeletePartition(m_session, A(i_sPartitionName), i_eLibObjType); }, i_sPartitionName,
        i_eLibObjType);
}
STDMETHODIMP CKelm::DeleteItemFromQVM(BSTR i_sPartitionName, BSTR i_sItemName, KelmEnum_ObjType i_eLibObjType,
                                      VARIANT_BOOL* o_pbNoItemToDelete) {
    return Boundary<&IKelm::DeleteItemFromQVM>(
        [&] {
            return kelm::DeleteItemFromQVM(m_session, A(i_sPartitionName), A(i_sItemName), i_eLibObjType,
                                           o_pbNoItemToDelete);
        },
        i_sPartitionName, i_sItemName, i_eLibObjType, o_pbNoItemToDelete);
}
STDMETHODIMP CKelm::CopyItemInQVM(BSTR i_sSrcPartitionName, BSTR i_sSrcItemName, BSTR i_sDestPartitionName,
                                  BSTR i_sDestItemName, KelmEnum_ObjType i_eLibObjType, VARIANT_BOOL i_bOverwrite,
                                  VARIANT_BOOL i_bMove) {
    return Boundary<&IKelm::CopyItemInQVM>(
        [&] {
            return kelm::CopyItemInQVM(m_session, A(i_sSrcPartitionName), A(i_sSrcItemName), A(i_sDestPartitionName),
                                       A(i_sDestItemName), i_eLibObjType, i_bOverwrite, i_bMove);
        },
        i_sSrcPartitionName, i_sSrcItemName, i_sDestPartitionName, i_sDestItemName, i_eLibObjType, i_bOverwrite,
        i_bMove);
}
STDMETHODIMP CKelm::CreateDefaultPadstack(BSTR i_sDefaultPadstackName, BSTR i_sPadstackDBFile) {
    return Boundary<&IKelm::CreateDefaultPadstack>(
        [&] { return kelm::CreateDefaultPadstack(m_session, A(i_sDefaultPadstackName), A(i_sPadstackDBFile)); },
        i_sDefaultPadstackName, i_sPadstackDBFile);
}

// ---------------------------------------------------------------- import
STDMETHODIMP CKelm::AddItemToQVM_Part(BSTR i_sPartitionName, KelmStruct_PartType* i_pPartType,
                                      VARIANT_BOOL i_bOverwriteIfExists) {
    return Boundary<&IKelm::AddItemToQVM_Part>(
        [&] { return kelm::AddItemToQVM_Part(m_session, A(i_sPartitionName), i_pPartType, i_bOverwriteIfExists); },
        i_sPartitionName, i_pPartType, i_bOverwriteIfExists);
}
STDMETHODIMP CKelm::AddItemToQVM_Cell(BSTR i_sPartitionName, KelmStruct_Cell* i_pCell,
                                      VARIANT_BOOL i_bOverwriteIfExists) {
    return Boundary<&IKelm::AddItemToQVM_Cell>(
        [&] { return kelm::AddItemToQVM_Cell(m_session, A(i_sPartitionName), i_pCell, i_bOverwriteIfExists); },
        i_sPartitionName, i_pCell, i_bOverwriteIfExists);
}

}  // namespace kelm

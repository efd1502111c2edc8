#include "KelmClient.h"

#include "AutomationText.h"

namespace kelmcli {
namespace {

// An out-array owned for one call.
class ArrayOut {
public:
    ArrayOut() = default;
    ArrayOut(const ArrayOut&) = delete;
    ArrayOut& operator=(const ArrayOut&) = delete;
    ~ArrayOut() {
        if (m_array != nullptr) SafeArrayDestroy(m_array);
    }
    SAFEARRAY** Out() { return &m_array; }
    // The method's status, or the read's when the method succeeded.
    HRESULT Read(HRESULT status, Strings& out) const {
        if (FAILED(status)) return status;
        const HRESULT read = SafeArrayToStrings(m_array, out);
        return FAILED(read) ? read : status;
    }

private:
    SAFEARRAY* m_array = nullptr;
};

}  // namespace

KelmClient::~KelmClient() {
    if (m_kelm == nullptr) return;
    if (m_open) m_kelm->Kelmstore_Close();
    m_kelm->Release();
}

HRESULT KelmClient::Create() {
    IClassFactory* factory = nullptr;
    HRESULT hr = DllGetClassObject(CLSID_Kelm, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) return hr;
    if (factory == nullptr) return E_POINTER;
    hr = factory->CreateInstance(nullptr, IID_IKelm, reinterpret_cast<void**>(&m_kelm));
    factory->Release();
    if (SUCCEEDED(hr) && m_kelm == nullptr) hr = E_POINTER;
    return hr;
}

HRESULT KelmClient::Open(const std::string& qvmFile, const std::string& user, bool readOnly) {
    const HRESULT hr = m_kelm->Kelmstore_Open(Bstr(qvmFile).get(), Bstr(user).get(), Flag(readOnly));
    m_open = SUCCEEDED(hr);
    return hr;
}

HRESULT KelmClient::Close() {
    m_open = false;
    return m_kelm->Kelmstore_Close();
}

HRESULT KelmClient::RunCurator(const std::string& qvmFile, const std::string& flowType) {
    return m_kelm->RunCurator(Bstr(qvmFile).get(), Bstr(flowType).get());
}

HRESULT KelmClient::RefreshQVMTree(const std::string& partition, KelmEnum_ObjType kind) {
    return m_kelm->RefreshQVMTree(Bstr(partition).get(), kind);
}

HRESULT KelmClient::ReloadQVM() { return m_kelm->ReloadQVM(); }
HRESULT KelmClient::SaveQVM() { return m_kelm->SaveQVM(); }

HRESULT KelmClient::ReservePartition(const std::string& partition, KelmEnum_ObjType kind) {
    return m_kelm->ReservePartition(Bstr(partition).get(), kind);
}

HRESULT KelmClient::UnReservePartition(const std::string& partition, KelmEnum_ObjType kind) {
    return m_kelm->UnReservePartition(Bstr(partition).get(), kind);
}

HRESULT KelmClient::GetSearchSchemeDefault(std::string& scheme) {
    Bstr out;
    const HRESULT hr = m_kelm->GetSearchScheme_Default(out.Out());
    if (SUCCEEDED(hr)) scheme = out.Utf8();
    return hr;
}

HRESULT KelmClient::GetSearchSchemeAll(Strings& schemes) {
    ArrayOut out;
    return out.Read(m_kelm->GetSearchScheme_All(out.Out()), schemes);
}

HRESULT KelmClient::GetPartitionListSearchScheme(const std::string& scheme, KelmEnum_ObjType kind, bool onlyNames,
                                                 bool removeExtensions, Strings& partitions) {
    ArrayOut out;
    return out.Read(m_kelm->GetPartitionList_SearchScheme(Bstr(scheme).get(), kind, Flag(onlyNames),
                                                          Flag(removeExtensions), out.Out()),
                    partitions);
}

HRESULT KelmClient::GetPartitionListDefaultSearchScheme(KelmEnum_ObjType kind, bool onlyNames, bool removeExtensions,
                                                        Strings& partitions) {
    ArrayOut out;
    return out.Read(m_kelm->GetPartitionList_DefaultSearchScheme(kind, Flag(onlyNames), Flag(removeExtensions),
                                                                 out.Out()),
                    partitions);
}

HRESULT KelmClient::GetPartitionItemsCount(const std::string& partition, const std::string& filter,
                                           KelmEnum_ObjType kind, long& count) {
    return m_kelm->GetPartitionItemsCount(Bstr(partition).get(), Bstr(filter).get(), kind, &count);
}

HRESULT KelmClient::GetPartitionItems(const std::string& partition, const std::string& filter, KelmEnum_ObjType kind,
                                      Strings& items) {
    ArrayOut out;
    return out.Read(m_kelm->GetPartitionItems(Bstr(partition).get(), Bstr(filter).get(), kind, out.Out()), items);
}

HRESULT KelmClient::FindItemPartition(const std::string& item, KelmEnum_ObjType kind, std::string& partition) {
    Bstr out;
    const HRESULT hr = m_kelm->FindItemPartition(Bstr(item).get(), kind, out.Out());
    if (SUCCEEDED(hr)) partition = out.Utf8();
    return hr;
}

HRESULT KelmClient::DoesItemExist(const std::string& partition, const std::string& excluded, const std::string& item,
                                  KelmEnum_ObjType kind, bool& exists) {
    VARIANT_BOOL flag = VARIANT_FALSE;
    const HRESULT hr =
        m_kelm->DoesItemExist(Bstr(partition).get(), Bstr(excluded).get(), Bstr(item).get(), kind, &flag);
    exists = flag != VARIANT_FALSE;
    return hr;
}

HRESULT KelmClient::GetPinCount(const std::string& partition, const std::string& item, KelmEnum_ObjType kind,
                                long& count) {
    return m_kelm->GetPinCount(Bstr(partition).get(), Bstr(item).get(), kind, &count);
}

HRESULT KelmClient::GetPartsUsingThisCell(const std::string& cell, Strings& parts) {
    ArrayOut out;
    return out.Read(m_kelm->GetPartsUsingThisCell(Bstr(cell).get(), out.Out()), parts);
}

HRESULT KelmClient::GetPartitionsStoringThisCell(const std::string& cell, Strings& partitions) {
    ArrayOut out;
    return out.Read(m_kelm->GetPartitionsStoringThisCell(Bstr(cell).get(), out.Out()), partitions);
}

HRESULT KelmClient::AddPartition(const std::string& partition, KelmEnum_ObjType kind, bool addToDefaultScheme) {
    return m_kelm->AddPartition(Bstr(partition).get(), kind, Flag(addToDefaultScheme));
}

HRESULT KelmClient::DeletePartition(const std::string& partition, KelmEnum_ObjType kind) {
    return m_kelm->DeletePartition(Bstr(partition).get(), kind);
}

HRESULT KelmClient::AddItemToQVMPart(const std::string& partition, KelmStruct_PartType& record, bool overwrite) {
    return m_kelm->AddItemToQVM_Part(Bstr(partition).get(), &record, Flag(overwrite));
}

HRESULT KelmClient::AddItemToQVMCell(const std::string& partition, KelmStruct_Cell& record, bool overwrite) {
    return m_kelm->AddItemToQVM_Cell(Bstr(partition).get(), &record, Flag(overwrite));
}

HRESULT KelmClient::DeleteItemFromQVM(const std::string& partition, const std::string& item, KelmEnum_ObjType kind,
                                      bool& noItemToDelete) {
    VARIANT_BOOL flag = VARIANT_FALSE;
    const HRESULT hr = m_kelm->DeleteItemFromQVM(Bstr(partition).get(), Bstr(item).get(), kind, &flag);
    noItemToDelete = flag != VARIANT_FALSE;
    return hr;
}

HRESULT KelmClient::CopyItemInQVM(const std::string& srcPartition, const std::string& srcItem,
                                  const std::string& destPartition, const std::string& destItem,
                                  KelmEnum_ObjType kind, bool overwrite, bool move) {
    return m_kelm->CopyItemInQVM(Bstr(srcPartition).get(), Bstr(srcItem).get(), Bstr(destPartition).get(),
                                 Bstr(destItem).get(), kind, Flag(overwrite), Flag(move));
}

HRESULT KelmClient::CreateDefaultPadstack(const std::string& padstack, const std::string& padstackFile) {
    return m_kelm->CreateDefaultPadstack(Bstr(padstack).get(), Bstr(padstackFile).get());
}

HRESULT KelmClient::GetPartitionReservation(const std::string& partition, KelmEnum_ObjType kind,
                                            std::string& holder) {
    Bstr out;
    const HRESULT hr = m_kelm->GetPartitionReservation(Bstr(partition).get(), kind, out.Out());
    holder = out.Utf8();
    return hr;
}

}  // namespace kelmcli

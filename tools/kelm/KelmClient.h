// The tool's one way into the component: a Kelm object obtained from the
// module's class factory exactly as any client obtains it
// (DllGetClassObject(CLSID_Kelm, IID_IClassFactory) and CreateInstance), with
// the IKelm methods wrapped to take and give UTF-8 strings and vectors. Each
// wrapper returns the method's status unchanged.
#pragma once

#include <string>
#include <vector>

#include "kelmapi/kelmapi.h"

namespace kelmcli {

using Strings = std::vector<std::string>;

class KelmClient {
public:
    KelmClient() = default;
    KelmClient(const KelmClient&) = delete;
    KelmClient& operator=(const KelmClient&) = delete;
    ~KelmClient();  // closes an open library and releases the object

    // Creates the Kelm object; the status of the class factory on failure.
    HRESULT Create();
    IKelm* get() const { return m_kelm; }

    HRESULT Open(const std::string& qvmFile, const std::string& user, bool readOnly);
    HRESULT Close();
    HRESULT RunCurator(const std::string& qvmFile, const std::string& flowType);
    HRESULT RefreshQVMTree(const std::string& partition, KelmEnum_ObjType kind);
    HRESULT ReloadQVM();
    HRESULT SaveQVM();
    HRESULT ReservePartition(const std::string& partition, KelmEnum_ObjType kind);
    HRESULT UnReservePartition(const std::string& partition, KelmEnum_ObjType kind);
    HRESULT GetSearchSchemeDefault(std::string& scheme);
    HRESULT GetSearchSchemeAll(Strings& schemes);
    HRESULT GetPartitionListSearchScheme(const std::string& scheme, KelmEnum_ObjType kind, bool onlyNames,
                                         bool removeExtensions, Strings& partitions);
    HRESULT GetPartitionListDefaultSearchScheme(KelmEnum_ObjType kind, bool onlyNames, bool removeExtensions,
                                                Strings& partitions);
    HRESULT GetPartitionItemsCount(const std::string& partition, const std::string& filter, KelmEnum_ObjType kind,
                                   long& count);
    HRESULT GetPartitionItems(const std::string& partition, const std::string& filter, KelmEnum_ObjType kind,
                              Strings& items);
    HRESULT FindItemPartition(const std::string& item, KelmEnum_ObjType kind, std::string& partition);
    HRESULT DoesItemExist(const std::string& partition, const std::string& excluded, const std::string& item,
                          KelmEnum_ObjType kind, bool& exists);
    HRESULT GetPinCount(const std::string& partition, const std::string& item, KelmEnum_ObjType kind, long& count);
    HRESULT GetPartsUsingThisCell(const std::string& cell, Strings& parts);
    HRESULT GetPartitionsStoringThisCell(const std::string& cell, Strings& partitions);
    HRESULT AddPartition(const std::string& partition, KelmEnum_ObjType kind, bool addToDefaultScheme);
    HRESULT DeletePartition(const std::string& partition, KelmEnum_ObjType kind);
    HRESULT AddItemToQVMPart(const std::string& partition, KelmStruct_PartType& record, bool overwrite);
    HRESULT AddItemToQVMCell(const std::string& partition, KelmStruct_Cell& record, bool overwrite);
    HRESULT DeleteItemFromQVM(const std::string& partition, const std::string& item, KelmEnum_ObjType kind,
                              bool& noItemToDelete);
    HRESULT CopyItemInQVM(const std::string& srcPartition, const std::string& srcItem,
                          const std::string& destPartition, const std::string& destItem, KelmEnum_ObjType kind,
                          bool overwrite, bool move);
    HRESULT CreateDefaultPadstack(const std::string& padstack, const std::string& padstackFile);
    HRESULT GetPartitionReservation(const std::string& partition, KelmEnum_ObjType kind, std::string& holder);

private:
    IKelm* m_kelm = nullptr;
    bool m_open = false;
};

inline VARIANT_BOOL Flag(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

}  // namespace kelmcli

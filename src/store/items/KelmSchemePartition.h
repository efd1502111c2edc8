// Search schemes, partitions and reservations of the library.
#pragma once

#include "store/items/KelmBase.h"

namespace kelm::store {

class KelmSchemePartition : public KelmBase {
public:
    explicit KelmSchemePartition(KelmServer& server) : KelmBase(server) {}

    void InitPartitionType(int type) { m_state.partitionType = type; }
    // See StoreBackend::ViewVersion.
    std::uint64_t ViewVersion() const { return Backend().ViewVersion(); }

    HRESULT GetSchemes(StringList& schemes);
    HRESULT GetDefaultSearchSchemeName(std::string& name);
    HRESULT GetDefaultSearchScheme(StringList& partitions);
    HRESULT ViewDefaultSearchScheme(const StringList*& partitions);
    HRESULT GetSchemePartitionList(const std::string& scheme, StringList& partitions);
    HRESULT GetAllPartitions(StringList& partitions, int reservedFlag);
    HRESULT GetNumObjectsInPartition(const std::string& partition, int& count);
    HRESULT AddPartition(const std::string& path, int reservedFlag);
    HRESULT DeletePartition(const std::string& path);
    HRESULT AddSearchScheme(const std::string& scheme, const StringList& partitions, int protection, int makeDefaultIfNone);
    HRESULT DeleteScheme(const std::string& scheme);
    HRESULT GetDefaultSchemeProtection(int& protection);
    HRESULT ReservePartition(const std::string& partition, const std::string& user);
    HRESULT UnReservePartition(const std::string& partition, const std::string& user);
    HRESULT GetPartitionReservation(const std::string& partition, std::string& holder);
    HRESULT GetEditingHolder(const std::string& partition, std::string& holder);

    // Tools only (not used by the component's methods).
    HRESULT GetReservations(std::vector<Reservation>& reservations);
    HRESULT RefreshPartition(const std::string& partition);
};

}  // namespace kelm::store

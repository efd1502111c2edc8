#include "maintenance/Reservation.h"

#include "platform/CodePage.h"
#include "query/ObjectKinds.h"

namespace kelm {
namespace {

// Negative store statuses are failures and pass on; anything else is success.
HRESULT ReservationVerdict(HRESULT storeStatus) { return storeStatus < 0 ? storeStatus : S_OK; }

}  // namespace

HRESULT ReservePartition(LibrarySession& session, const std::string& partitionName, KelmEnum_ObjType kind) {
    RETURN_IF_NOT_OPEN(session);
    const std::string path = BuildPartitionPath(partitionName, kind, 1, 1);
    store::KelmSchemePartition partitions(session.Store());
    partitions.InitPartitionType(GetStorePartitionType(kind));
    return ReservationVerdict(partitions.ReservePartition(path, session.UserName()));
}

HRESULT UnReservePartition(LibrarySession& session, const std::string& partitionName, KelmEnum_ObjType kind) {
    RETURN_IF_NOT_OPEN(session);
    const std::string path = BuildPartitionPath(partitionName, kind, 1, 1);
    store::KelmSchemePartition partitions(session.Store());
    partitions.InitPartitionType(GetStorePartitionType(kind));
    return ReservationVerdict(partitions.UnReservePartition(path, session.UserName()));
}

HRESULT GetPartitionReservation(LibrarySession& session, const std::string& partitionName, KelmEnum_ObjType kind,
                                BSTR* i_sClientname) {
    RETURN_HR_IF_NULL(E_POINTER, i_sClientname);
    RETURN_IF_NOT_OPEN(session);
    const std::string path = BuildPartitionPath(partitionName, kind, 1, 1);
    store::KelmSchemePartition partitions(session.Store());
    partitions.InitPartitionType(GetStorePartitionType(kind));

    std::string holder;
    const HRESULT status = partitions.GetPartitionReservation(path, holder);
    // The holder goes back whatever the store said.
    AutoBstr client(platform::AnsiToBstr(holder));
    RETURN_HR_IF_NULL(E_OUTOFMEMORY, client.get());
    *i_sClientname = client.release();
    return ReservationVerdict(status);
}

std::string PartitionHolder(LibrarySession& session, const std::string& partitionName, int storePartitionType) {
    store::KelmSchemePartition partitions(session.Store());
    partitions.InitPartitionType(storePartitionType);
    std::string holder;
    partitions.GetEditingHolder(partitionName, holder);
    return holder;
}

EditReservation::EditReservation(store::KelmSchemePartition& partitions, std::string partitionName,
                                 std::string userName)
    : m_partitions(partitions), m_partitionName(std::move(partitionName)), m_userName(std::move(userName)) {}

EditReservation::~EditReservation() { Release(); }

HRESULT EditReservation::Acquire() {
    std::string holder;
    const HRESULT query = m_partitions.GetPartitionReservation(m_partitionName, holder);
    if (holder.empty()) {
        // A free partition is taken for this call only.
        const HRESULT reserved = m_partitions.ReservePartition(m_partitionName, m_userName);
        RETURN_HR_IF(reserved, reserved != S_OK);
        m_took = true;
        return S_OK;
    }
    RETURN_HR_IF(E_FAIL, platform::CompareNoCase(holder, m_userName) != 0);
    return query;
}

void EditReservation::Release() {
    if (!m_took) return;
    m_took = false;
    m_partitions.UnReservePartition(m_partitionName, m_userName);
}

}  // namespace kelm

#include "maintenance/Reservation.h"

namespace kelm {

HRESULT ReservePartition(LibrarySession&, const std::string&, KelmEnum_ObjType) { return E_NOTIMPL; }
HRESULT UnReservePartition(LibrarySession&, const std::string&, KelmEnum_ObjType) { return E_NOTIMPL; }
HRESULT GetPartitionReservation(LibrarySession&, const std::string&, KelmEnum_ObjType, BSTR*) { return E_NOTIMPL; }

EditReservation::EditReservation(store::KelmSchemePartition& partitions, std::string partitionName,
                                 std::string userName)
    : m_partitions(partitions), m_partitionName(std::move(partitionName)), m_userName(std::move(userName)) {}
EditReservation::~EditReservation() { Release(); }
HRESULT EditReservation::Acquire() { return E_NOTIMPL; }
void EditReservation::Release() {}

}  // namespace kelm

// Partition reservations: the three client methods, and the rule by which
// the editing methods take a free partition for one call or accept one the
// session's user holds.
#pragma once

#include <string>

#include "kelmapi/kelmapi.h"
#include "session/LibrarySession.h"
#include "store/KelmSchemePartition.h"

namespace kelm {

HRESULT ReservePartition(LibrarySession& session, const std::string& partitionName, KelmEnum_ObjType kind);
HRESULT UnReservePartition(LibrarySession& session, const std::string& partitionName, KelmEnum_ObjType kind);
HRESULT GetPartitionReservation(LibrarySession& session, const std::string& partitionName, KelmEnum_ObjType kind,
                                BSTR* i_sClientname);

// The reservation rule of the editing methods, for one partition named as
// the client gave it, on a scheme/partition object whose working user is the
// session's user. Acquire() applies the rule; the destructor (or Release())
// gives back a partition that Acquire() took itself, ignoring the status.
class EditReservation {
public:
    EditReservation(store::KelmSchemePartition& partitions, std::string partitionName, std::string userName);
    EditReservation(const EditReservation&) = delete;
    EditReservation& operator=(const EditReservation&) = delete;
    ~EditReservation();

    HRESULT Acquire();
    void Release();
    bool TookIt() const { return m_took; }

private:
    store::KelmSchemePartition& m_partitions;
    std::string m_partitionName;
    std::string m_userName;
    bool m_took = false;
};

}  // namespace kelm

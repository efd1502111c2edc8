// Partition reservations: the three client methods, and the rule by which
// the editing methods take a free partition for one call or accept one the
// session's user holds.
#pragma once

#include <string>

#include "kelmapi/kelmapi.h"
#include "session/LibrarySession.h"
#include "store/items/KelmSchemePartition.h"

namespace kelm {

// The client methods name the partition by its relative path (folder, name,
// extension). A negative store status is passed on; zero or positive is 0.
HRESULT ReservePartition(LibrarySession& session, const std::string& partitionName, KelmEnum_ObjType kind);
HRESULT UnReservePartition(LibrarySession& session, const std::string& partitionName, KelmEnum_ObjType kind);
// Writes the holder (empty when nobody holds it) whatever the store's status;
// a null i_sClientname is refused with 0x80004003 before the open test.
HRESULT GetPartitionReservation(LibrarySession& session, const std::string& partitionName, KelmEnum_ObjType kind,
                                BSTR* i_sClientname);

// The holder of a partition named as the client gave it, asked on a new
// scheme/partition object of the given store partition type; the store's
// status is not looked at (the imports only want to know whether somebody
// holds the partition). A holder this session has seen is trusted: the save
// checks the reservation again under the lock.
std::string PartitionHolder(LibrarySession& session, const std::string& partitionName, int storePartitionType);

// The reservation rule of the editing methods, for one partition named as
// the client gave it, on a scheme/partition object whose working user is the
// session's user. Acquire() applies the rule:
//   - nobody holds it: reserve it for the user (a non-zero status is
//     returned) and remember that this call took it;
//   - the holder equals the user, case ignored: accepted, unless the holder
//     query itself returned a non-zero status, which is returned;
//   - another holder: 0x80004005.
// Release() (and the destructor) gives back only a partition that Acquire()
// took, ignoring the status, and only once.
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

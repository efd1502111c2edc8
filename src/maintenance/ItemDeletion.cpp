#include "maintenance/ItemDeletion.h"

#include "maintenance/Reservation.h"
#include "query/ObjectKinds.h"
#include "store/items/KelmCell.h"
#include "store/items/KelmPart.h"

namespace kelm {
namespace {

HRESULT DeleteItem(LibrarySession& session, const std::string& partitionName, const std::string& itemName,
                   KelmEnum_ObjType kind) {
    if (kind == KelmEnum_ObjType_Cell) {
        store::KelmCell cells(session.Store(), nullptr, nullptr);
        cells.SetWorkingUserName(session.UserName());
        return cells.Delete(itemName, partitionName);
    }
    // Part types are deleted by number alone.
    store::KelmPart parts(session.Store(), nullptr);
    parts.SetWorkingUserName(session.UserName());
    return parts.Delete(itemName);
}

}  // namespace

HRESULT DeleteItemFromQVM(LibrarySession& session, const std::string& partitionName, const std::string& itemName,
                          KelmEnum_ObjType kind, VARIANT_BOOL* o_pbNoItemToDelete) {
    RETURN_HR_IF_NULL(E_POINTER, o_pbNoItemToDelete);
    RETURN_IF_NOT_OPEN(session);
    RETURN_HR_IF(E_NOTIMPL, kind != KelmEnum_ObjType_Cell && kind != KelmEnum_ObjType_PartType);
    *o_pbNoItemToDelete = VARIANT_FALSE;

    store::KelmSchemePartition partitions(session.Store());
    partitions.InitPartitionType(GetStorePartitionType(kind));
    partitions.SetWorkingUserName(session.UserName());

    EditReservation reservation(partitions, partitionName, session.UserName());
    const HRESULT reserved = reservation.Acquire();
    RETURN_HR_IF(reserved, reserved != S_OK);

    HRESULT status = DeleteItem(session, partitionName, itemName, kind);
    if (status == store::kItemExistsOrMissing) *o_pbNoItemToDelete = VARIANT_TRUE;
    reservation.Release();

    if (status == S_OK) status = session.Store().Save(nullptr, 0, 0);
    return status;
}

}  // namespace kelm

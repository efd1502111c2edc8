#include "maintenance/ItemCopy.h"

#include "maintenance/Reservation.h"
#include "platform/Clock.h"
#include "query/ObjectKinds.h"
#include "store/items/KelmCell.h"
#include "store/items/KelmPart.h"
#include "util/Flags.h"

namespace kelm {
namespace {

struct CopyRequest {
    const std::string& srcPartition;
    const std::string& srcItem;
    const std::string& destPartition;
    const std::string& destItem;
    bool overwrite;
    bool move;
};

// A cell is rebuilt from its pin names, its type and its padstacks. The
// padstacks are read from the source before a move deletes it and added to
// the destination afterwards, whatever the add said.
HRESULT CopyCell(LibrarySession& session, const CopyRequest& request) {
    store::KelmCell cells(session.Store(), nullptr, nullptr);
    cells.SetWorkingUserName(session.UserName());

    StringList pins;
    HRESULT status = cells.GetPinNames(pins, request.srcItem);
    RETURN_HR_IF(status, status != S_OK);
    int type = 0;
    status = cells.GetType(type, request.srcItem, request.srcPartition);
    RETURN_HR_IF(status, status != S_OK);

    // One time stamp for both adds of an overwrite.
    const std::int32_t now = platform::NowTimestamp();
    status = cells.Add(pins, request.destItem, request.destPartition, type, now, 0, 0);
    if (status == store::kItemExistsOrMissing && request.overwrite) {
        cells.Delete(request.destItem, request.destPartition);
        status = cells.Add(pins, request.destItem, request.destPartition, type, now, 0, 0);
    }

    cells.SetWorkingPartition(request.srcPartition);
    cells.SetWorkingCell(request.srcItem);
    StringList padstacks;
    cells.GetPadstackNames(padstacks, request.srcItem, nullptr);

    if (status == S_OK && request.move) status = cells.Delete(request.srcItem, request.srcPartition);

    cells.SetWorkingPartition(request.destPartition);
    cells.SetWorkingCell(request.destItem);
    for (const std::string& padstack : padstacks) cells.AddPadstack(padstack, request.destItem, nullptr);
    return status;
}

// A part type is rebuilt from its pin numbers alone; an existing destination
// fails the add whatever the overwrite flag says.
HRESULT CopyPart(LibrarySession& session, const CopyRequest& request) {
    store::KelmPart parts(session.Store(), nullptr);
    parts.SetWorkingUserName(session.UserName());

    StringList pins;
    HRESULT status = parts.GetPinNumbers(pins, request.srcItem);
    RETURN_HR_IF(status, status != S_OK);
    status = parts.Add(request.destPartition, pins, request.destItem, nullptr, 0, 0);
    if (status == S_OK && request.move) status = parts.Delete(request.srcItem);
    return status;
}

}  // namespace

HRESULT CopyItemInQVM(LibrarySession& session, const std::string& srcPartitionName, const std::string& srcItemName,
                      const std::string& destPartitionName, const std::string& destItemName, KelmEnum_ObjType kind,
                      VARIANT_BOOL i_bOverwrite, VARIANT_BOOL i_bMove) {
    RETURN_IF_NOT_OPEN(session);
    RETURN_HR_IF(E_NOTIMPL, kind != KelmEnum_ObjType_Cell && kind != KelmEnum_ObjType_PartType);

    store::KelmSchemePartition partitions(session.Store());
    partitions.InitPartitionType(GetStorePartitionType(kind));
    partitions.SetWorkingUserName(session.UserName());

    const CopyRequest request{srcPartitionName, srcItemName, destPartitionName, destItemName, IsTrue(i_bOverwrite),
                              IsTrue(i_bMove)};
    // Names that differ only in case are two partitions.
    const bool onePartition = srcPartitionName == destPartitionName;
    const bool sourceNeedsRule = onePartition || request.move;
    const bool destinationNeedsRule = !onePartition;

    EditReservation source(partitions, srcPartitionName, session.UserName());
    EditReservation destination(partitions, destPartitionName, session.UserName());
    if (sourceNeedsRule) {
        const HRESULT reserved = source.Acquire();
        RETURN_HR_IF(reserved, reserved != S_OK);
    }
    if (destinationNeedsRule) {
        const HRESULT reserved = destination.Acquire();
        if (reserved != S_OK) {
            source.Release();
            return reserved;
        }
    }

    HRESULT status = kind == KelmEnum_ObjType_Cell ? CopyCell(session, request) : CopyPart(session, request);

    destination.Release();
    source.Release();
    if (status == S_OK) status = session.Store().Save(nullptr, 0, 0);
    return status;
}

}  // namespace kelm

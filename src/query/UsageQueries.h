// Pin counts, and the parts and partitions that use a cell.
#pragma once

#include <string>

#include "kelmapi/kelmapi.h"
#include "session/LibrarySession.h"
#include "util/StringList.h"

namespace kelm {

HRESULT GetPinCount(LibrarySession& session, const std::string& partitionName, const std::string& itemName,
                    KelmEnum_ObjType kind, long* o_pnPinCount);
HRESULT GetPartsUsingThisCell(LibrarySession& session, const std::string& cellName, SAFEARRAY** o_psarrParts);
HRESULT GetPartitionsStoringThisCell(LibrarySession& session, const std::string& cellName,
                                     SAFEARRAY** o_psarrPartitions);

HRESULT GetItemPinList(LibrarySession& session, const std::string& partitionName, const std::string& itemName,
                       int storePartitionType, StringList& out);

}  // namespace kelm

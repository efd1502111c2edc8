// The items of a partition, narrowed by a wildcard filter.
#pragma once

#include <string>

#include "kelmapi/kelmapi.h"
#include "query/ItemFilter.h"
#include "session/LibrarySession.h"
#include "util/StringList.h"

namespace kelm {

HRESULT GetPartitionItemsCount(LibrarySession& session, const std::string& partitionName,
                               const std::string& itemFilter, KelmEnum_ObjType kind, long* o_pnItemCount);
HRESULT GetPartitionItems(LibrarySession& session, const std::string& partitionName,
                          const std::string& itemFilter, KelmEnum_ObjType kind, SAFEARRAY** o_psarrItems);

// The items of one partition that match the filter (for logic symbols the
// pattern is Partition:filter, as the store names symbols), sorted without
// regard to case. `out` is untouched when the store fails.
HRESULT GetPartitionItemList(LibrarySession& session, const std::string& partitionName,
                             const std::string& filter, int storePartitionType, StringList& out);

}  // namespace kelm

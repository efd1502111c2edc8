// The items of a partition, narrowed by a wildcard filter.
#pragma once

#include <string>

#include "kelmapi/kelmapi.h"
#include "session/LibrarySession.h"
#include "util/StringList.h"

namespace kelm {

HRESULT GetPartitionItemsCount(LibrarySession& session, const std::string& partitionName,
                               const std::string& itemFilter, KelmEnum_ObjType kind, long* o_pnItemCount);
HRESULT GetPartitionItems(LibrarySession& session, const std::string& partitionName,
                          const std::string& itemFilter, KelmEnum_ObjType kind, SAFEARRAY** o_psarrItems);

HRESULT GetPartitionItemList(LibrarySession& session, const std::string& partitionName,
                             const std::string& filter, int storePartitionType, StringList& out);
void FilterItemList(const std::string& pattern, const StringList& in, StringList& out);
// '*' any run, '?' one character, the whole text must be covered; byte by byte.
bool MatchWildcard(const std::string& pattern, const std::string& text);

}  // namespace kelm

// Where an item lives, and whether it exists.
#pragma once

#include <string>

#include "kelmapi/kelmapi.h"
#include "session/LibrarySession.h"
#include "util/StringList.h"

namespace kelm {

HRESULT FindItemPartition(LibrarySession& session, const std::string& itemName, KelmEnum_ObjType kind,
                          BSTR* o_psPartitionName);
HRESULT DoesItemExist(LibrarySession& session, const std::string& partitionName,
                      const std::string& excludedPartitionName, const std::string& itemName,
                      KelmEnum_ObjType kind, VARIANT_BOOL* o_pbExists);

HRESULT GetItemPartitionList(LibrarySession& session, const std::string& itemName, int storePartitionType,
                             StringList& out);
HRESULT GetItemPartition(LibrarySession& session, const std::string& itemName, int storePartitionType,
                         std::string& out);

}  // namespace kelm

#pragma once

#include <string>

#include "kelmapi/kelmapi.h"
#include "session/LibrarySession.h"

namespace kelm {

HRESULT AddPartition(LibrarySession& session, const std::string& partitionName, KelmEnum_ObjType kind,
                     VARIANT_BOOL i_bAddToDefaultSearchScheme);
HRESULT DeletePartition(LibrarySession& session, const std::string& partitionName, KelmEnum_ObjType kind);

}  // namespace kelm

#pragma once

#include <string>

#include "kelmapi/kelmapi.h"
#include "session/LibrarySession.h"

namespace kelm {

HRESULT CopyItemInQVM(LibrarySession& session, const std::string& srcPartitionName, const std::string& srcItemName,
                      const std::string& destPartitionName, const std::string& destItemName, KelmEnum_ObjType kind,
                      VARIANT_BOOL i_bOverwrite, VARIANT_BOOL i_bMove);

}  // namespace kelm

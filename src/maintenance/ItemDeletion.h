#pragma once

#include <string>

#include "kelmapi/kelmapi.h"
#include "session/LibrarySession.h"

namespace kelm {

HRESULT DeleteItemFromQVM(LibrarySession& session, const std::string& partitionName, const std::string& itemName,
                          KelmEnum_ObjType kind, VARIANT_BOOL* o_pbNoItemToDelete);

}  // namespace kelm

#pragma once

#include <string>

#include "kelmapi/kelmapi.h"
#include "session/LibrarySession.h"

namespace kelm {

HRESULT AddItemToQVM_Cell(LibrarySession& session, const std::string& partitionName,
                          const KelmStruct_Cell* i_pCell, VARIANT_BOOL i_bOverwriteIfExists);

}  // namespace kelm

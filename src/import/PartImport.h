#pragma once

#include <string>

#include "kelmapi/kelmapi.h"
#include "session/LibrarySession.h"

namespace kelm {

HRESULT AddItemToQVM_Part(LibrarySession& session, const std::string& partitionName,
                          const KelmStruct_PartType* i_pPartType, VARIANT_BOOL i_bOverwriteIfExists);

}  // namespace kelm

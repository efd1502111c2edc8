// Starts the Curator's command-line tool, CuratorCommand.exe, found through
// TQR_CURATOR_BIN or TQR_COMMON_BIN, and forgets it.
#pragma once

#include <string>

#include "kelmapi/kelmapi.h"
#include "session/LibrarySession.h"

namespace kelm {

HRESULT RunCurator(LibrarySession& session, const std::string& qvmFile, const std::string& flowType);
HRESULT RefreshQVMTree(LibrarySession& session, const std::string& partitionName, KelmEnum_ObjType kind);

}  // namespace kelm

// Starts the Curator's command-line tool, CuratorCommand.exe, found through
// TQR_CURATOR_BIN or TQR_COMMON_BIN, and forgets it.
#pragma once

#include <string>

#include "kelmapi/kelmapi.h"
#include "session/LibrarySession.h"

namespace kelm {

HRESULT RunCurator(LibrarySession& session, const std::string& qvmFile, const std::string& flowType);
HRESULT RefreshQVMTree(LibrarySession& session, const std::string& partitionName, KelmEnum_ObjType kind);

// The tool folder, ending in a backslash: TQR_CURATOR_BIN when it gives a
// folder, else TQR_COMMON_BIN. E_FAIL (and an empty folder) when neither does.
HRESULT FindCuratorBinFolder(std::string& folder);

// The tool folder followed by CuratorCommand.exe; whether the file exists is
// not tested. With no folder, logs an error line and returns E_FAIL.
HRESULT FindPathToCuratorCommand(LibrarySession& session, std::string& toolPath);

// Starts the command line as a hidden process and keeps nothing of it:
// S_OK when the process was created, else E_FAIL.
HRESULT LaunchHidden(const std::string& commandLine);

}  // namespace kelm

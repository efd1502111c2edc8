#include "session/CuratorLauncher.h"

#include "platform/Environment.h"
#include "platform/MessageBox.h"
#include "platform/Process.h"
#include "util/Format.h"
#include "util/Paths.h"

namespace kelm {
namespace {

constexpr const char* kToolName = "CuratorCommand.exe";
constexpr const char* kLogTag = "FindPathToCuratorCommand";
constexpr const char* kNoToolFolder = "Cannot find path to the CuratorCommand.exe";

// The variable's value as a folder: with a trailing backslash unless empty.
std::string FolderFromVariable(const char* name) {
    std::string folder = platform::GetEnvironmentValue(name).value_or(std::string());
    AddTrailingBackslash(folder);
    return folder;
}

// The word the tool's refresh command takes for a kind: "symbols", "cells",
// "parts"; empty for any other kind.
const char* RefreshWord(KelmEnum_ObjType kind) {
    switch (static_cast<long>(kind)) {
        case KelmEnum_ObjType_LogicSymbol: return "symbols";
        case KelmEnum_ObjType_Cell: return "cells";
        case KelmEnum_ObjType_PartType: return "parts";
        default: return "";
    }
}

void ShowCuratorNotInstalled() {
    platform::ShowErrorMessage(
        platform::LoadModuleString(IDS_CURATOR_NOT_INSTALLED, KELM_TEXT_CURATOR_NOT_INSTALLED),
        platform::LoadModuleString(IDS_CURATOR_ERROR_CAPTION, KELM_TEXT_CURATOR_ERROR_CAPTION));
}

}  // namespace

HRESULT FindCuratorBinFolder(std::string& folder) {
    // A set TQR_CURATOR_BIN wins even when the tool is missing from it.
    folder = FolderFromVariable("TQR_CURATOR_BIN");
    if (folder.empty()) folder = FolderFromVariable("TQR_COMMON_BIN");
    return folder.empty() ? E_FAIL : S_OK;
}

HRESULT FindPathToCuratorCommand(LibrarySession& session, std::string& toolPath) {
    std::string folder;
    if (FAILED(FindCuratorBinFolder(folder))) {
        session.Log().LogError(kLogTag, kNoToolFolder);
        return E_FAIL;
    }
    toolPath = folder + kToolName;
    return S_OK;
}

HRESULT LaunchHidden(const std::string& commandLine) {
    return platform::StartDetachedProcess(commandLine) ? S_OK : E_FAIL;
}

HRESULT RunCurator(LibrarySession& session, const std::string& qvmFile, const std::string& flowType) {
    std::string toolPath;
    RETURN_IF_FAILED(FindPathToCuratorCommand(session, toolPath));
    if (!PathExists(toolPath)) {
        ShowCuratorNotInstalled();
        return E_FAIL;
    }
    return LaunchHidden(Format("%s -qvmfile=\"%s\" -command=run -args=%s;", toolPath.c_str(), qvmFile.c_str(),
                               flowType.c_str()));
}

HRESULT RefreshQVMTree(LibrarySession& session, const std::string& partitionName, KelmEnum_ObjType kind) {
    std::string toolPath;
    RETURN_IF_FAILED(FindPathToCuratorCommand(session, toolPath));
    return LaunchHidden(Format("%s -qvmfile=\"%s\" -command=refreshqvm -args=%s;%s;%s;", toolPath.c_str(),
                               session.LibraryFile().c_str(), partitionName.c_str(), "", RefreshWord(kind)));
}

}  // namespace kelm

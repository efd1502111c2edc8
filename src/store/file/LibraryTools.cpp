// Store-level tooling: creating a library, writing cell geometry, symbol
// files and padstack files.
#include "store/file/LibraryTools.h"

#include "kelmapi/library.h"

#include <algorithm>
#include <memory>

#include "platform/AtomicFile.h"
#include "platform/CodePage.h"
#include "store/db/CellDBFile.h"
#include "store/db/PadstackFile.h"
#include "store/file/LibraryLock.h"
#include "store/file/StoreLog.h"
#include "store/format/JsonLines.h"
#include "store/format/LibraryConfig.h"
#include "store/format/LibraryFiles.h"
#include "store/format/PartitionFiles.h"
#include "store/file/LibraryCheck.h"
#include "store/items/StoreStatus.h"
#include "util/AutoTypes.h"

namespace kelm::store {
namespace {
// The status of a file operation, its text kept for the caller.
HRESULT Result(platform::FileResult result, const std::string& text, std::string* error) {
    if (result == platform::FileResult::Ok) return S_OK;
    if (error) *error = text;
    return result == platform::FileResult::Exists ? kItemExistsOrMissing : KELM_E_IO;
}
HRESULT Failure(HRESULT status, const std::string& text, std::string* error) {
    if (error) *error = text;
    return status;
}

// The libraries a cell database file belongs to (see CellDBAddCell).
std::vector<std::string> LibrariesOfCellFile(const std::string& celPath) {
    std::string folder = LibraryFolderOf(celPath);
    if (folder.size() > 1) folder.pop_back();
    const std::string name = folder.substr(LibraryFolderOf(folder).size());
    std::vector<std::string> libraries, files;
    if (platform::CompareNoCase(name, "CellDBLibs") != 0 || !platform::ListFiles(LibraryFolderOf(folder), files))
        return libraries;
    for (const std::string& file : files) {
        if (file.size() > 4 && platform::CompareNoCase(file.substr(file.size() - 4), ".qvm") == 0)
            libraries.push_back(LibraryFolderOf(folder) + file);
    }
    return libraries;
}
}  // namespace

HRESULT CreateLibrary(const std::string& qvmPath, std::string* error) {
    if (LibraryStemOf(qvmPath).empty()) return Failure(KELM_E_BAD_ARGUMENT, "no library name in " + qvmPath, error);
    const std::string folder = LibraryFolderOf(qvmPath);
    if (!folder.empty() && !platform::MakeFolders(folder)) return Failure(KELM_E_IO, "cannot create " + folder, error);
    std::string text;
    const auto created = platform::CreateFileExclusive(qvmPath, SerializeLibraryConfig(LibraryConfig{}), text);
    return Result(created, text, error);
}

HRESULT CellDBAddCell(const std::string& celPath, const std::string& cellName, const StringList& pins,
                      const StringList& padstacks, std::string* error) {
    if (cellName.empty()) return Failure(KELM_E_BAD_ARGUMENT, "no cell name", error);
    if (const char* why = UnstorableNameReason(cellName, NameUse::Text))
        return Failure(KELM_E_UNSAFE_PATH, "cell name " + cellName + ": " + why, error);
    const std::string folder = LibraryFolderOf(celPath);
    if (!folder.empty() && !platform::MakeFolders(folder)) return Failure(KELM_E_IO, "cannot create " + folder, error);
    // Several libraries sharing one folder: their locks in one order, so
    // that two writers never wait for each other.
    std::vector<std::string> lockFiles;
    for (const std::string& library : LibrariesOfCellFile(celPath)) lockFiles.push_back(LibraryLockFile(library));
    if (lockFiles.empty()) lockFiles.push_back(celPath + ".lock");
    std::sort(lockFiles.begin(), lockFiles.end());
    std::vector<std::unique_ptr<LibraryLock>> locks;
    std::string text;
    for (const std::string& lockFile : lockFiles) {
        locks.push_back(std::make_unique<LibraryLock>());
        const HRESULT locked = locks.back()->Acquire(lockFile, text);
        if (FAILED(locked)) return Failure(locked, text, error);
    }
    CellGeometryMap cells;
    std::string bytes;
    const platform::FileResult read = platform::ReadWholeFile(celPath, bytes, text);
    if (read == platform::FileResult::Ok) {
        if (!ParseCellDBFile(bytes, celPath, cells, text)) return Failure(KELM_E_CORRUPT, text, error);
    } else if (read != platform::FileResult::NotFound) {
        return Failure(KELM_E_IO, text, error);
    }
    cells[cellName] = CellGeometry{pins, padstacks};
    return Result(platform::WriteFileAtomic(celPath, SerializeCellDBFile(cells), text), text, error);
}

HRESULT SymbolFileAdd(const std::string& qvmPath, const std::string& partition, const std::string& symbol,
                      const StringList& pins, std::string* error) {
    for (const std::string& name : {partition, symbol})
        if (const char* why = UnstorableNameReason(name, NameUse::FileName))
            return Failure(KELM_E_UNSAFE_PATH, "symbol " + partition + ":" + symbol + ": " + why, error);
    const std::string symFolder = LibraryFolderOf(qvmPath) + "SymbolLibs\\" + partition + "\\sym";
    LibraryLock lock;
    std::string text;
    const HRESULT locked = lock.Acquire(LibraryLockFile(qvmPath), text);
    if (FAILED(locked)) return Failure(locked, text, error);
    if (!platform::MakeFolders(symFolder)) return Failure(KELM_E_IO, "cannot create " + symFolder, error);
    const auto written = platform::WriteFileAtomic(symFolder + "\\" + symbol + kSymbolFileExtension,
                                                   SerializeSymbolFile(symbol, pins), text);
    return Result(written, text, error);
}

HRESULT CellDBList(const std::string& celPath, StringList& cells, std::string* error) {
    std::string text, problem;
    const platform::FileResult read = platform::ReadWholeFile(celPath, text, problem);
    if (read != platform::FileResult::Ok) return Failure(KELM_E_IO, problem, error);
    CellGeometryMap geometry;
    if (!ParseCellDBFile(text, celPath, geometry, problem)) return Failure(KELM_E_CORRUPT, problem, error);
    cells.clear();
    for (const auto& cell : geometry) cells.push_back(cell.first);
    return S_OK;
}

HRESULT PadstackDBCreate(const std::string& path, std::string* error) {
    std::string text;
    return Result(platform::CreateFileExclusive(path, SerializePadstackFile({}), text), text, error);
}

HRESULT PadstackDBList(const std::string& path, std::vector<padstackdb::PadstackData>& padstacks, std::string* error) {
    std::string text, problem;
    const platform::FileResult read = platform::ReadWholeFile(path, text, problem);
    if (read != platform::FileResult::Ok) return Failure(KELM_E_IO, problem, error);
    if (!ParsePadstackFile(text, path, padstacks, problem)) return Failure(KELM_E_CORRUPT, problem, error);
    return S_OK;
}

}  // namespace kelm::store

// ---------------------------------------------------------------- kelmapi/library.h
namespace kelmapi {

using namespace kelm::store;

HRESULT CreateLibrary(const std::string& qvmPath, std::string* error) {
    return kelm::store::CreateLibrary(qvmPath, error);
}

HRESULT AddCellGeometry(const std::string& celPath, const std::string& cell, const Names& pins, const Names& padstacks,
                        std::string* error) {
    return CellDBAddCell(celPath, cell, pins, padstacks, error);
}

HRESULT ListCellGeometry(const std::string& celPath, Names& cells, std::string* error) {
    return CellDBList(celPath, cells, error);
}

HRESULT AddSymbolFile(const std::string& qvmPath, const std::string& partition, const std::string& symbol,
                      const Names& pins, std::string* error) {
    return SymbolFileAdd(qvmPath, partition, symbol, pins, error);
}

HRESULT CreatePadstackFile(const std::string& path, std::string* error) { return PadstackDBCreate(path, error); }

HRESULT ListPadstackFile(const std::string& path, std::vector<PadstackInfo>& padstacks, std::string* error) {
    std::vector<kelm::padstackdb::PadstackData> data;
    RETURN_IF_FAILED(PadstackDBList(path, data, error));
    padstacks.clear();
    for (const auto& padstack : data) padstacks.push_back(PadstackInfo{padstack.name, padstack.type, padstack.timestamp});
    return S_OK;
}

bool IsSafeFileName(const std::string& name) { return kelm::store::IsSafeFileName(name); }

HRESULT CheckLibrary(const std::string& qvmPath, const Names& knownUsers, LibraryCheckReport& report) {
    return kelm::store::CheckLibrary(qvmPath, LibraryCheckOptions{knownUsers}, report);
}

}  // namespace kelmapi

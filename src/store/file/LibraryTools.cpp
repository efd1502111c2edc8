// Store-level tooling: creating a library, writing cell geometry, symbol
// files and padstack files.
#include "store/file/LibraryTools.h"

#include "platform/AtomicFile.h"
#include "store/db/CellDBFile.h"
#include "store/format/JsonLines.h"
#include "store/format/LibraryConfig.h"
#include "store/file/LibraryLock.h"
#include "store/db/PadstackFile.h"
#include "store/format/PartitionFiles.h"
#include "store/items/StoreStatus.h"

namespace kelm::store {
namespace {
HRESULT FromResult(platform::FileResult result) {
    switch (result) {
    case platform::FileResult::Ok: return S_OK;
    case platform::FileResult::Exists: return kItemExistsOrMissing;
    default: return KELM_E_IO;
    }
}
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}
std::string StemOf(const std::string& path) {
    std::string name = path.substr(FolderOf(path).size());
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}
}  // namespace

HRESULT CreateLibrary(const std::string& qvmPath) {
    if (StemOf(qvmPath).empty()) return KELM_E_BAD_ARGUMENT;
    const std::string folder = FolderOf(qvmPath);
    if (!folder.empty() && !platform::MakeFolders(folder)) return KELM_E_IO;
    std::string error;
    return FromResult(platform::CreateFileExclusive(qvmPath, SerializeLibraryConfig(LibraryConfig{}), error));
}

HRESULT CellDBAddCell(const std::string& celPath, const std::string& cellName, const StringList& pins,
                      const StringList& padstacks) {
    if (cellName.empty()) return KELM_E_BAD_ARGUMENT;
    if (UnstorableNameReason(cellName, NameUse::Text)) return KELM_E_UNSAFE_PATH;
    std::string text, error;
    CellGeometryMap cells;
    const platform::FileResult read = platform::ReadWholeFile(celPath, text, error);
    if (read == platform::FileResult::Ok) {
        if (!ParseCellDBFile(text, celPath, cells, error)) return KELM_E_CORRUPT;
    } else if (read != platform::FileResult::NotFound) {
        return KELM_E_IO;
    }
    cells[cellName] = CellGeometry{pins, padstacks};
    const std::string folder = FolderOf(celPath);
    if (!folder.empty() && !platform::MakeFolders(folder)) return KELM_E_IO;
    return FromResult(platform::WriteFileAtomic(celPath, SerializeCellDBFile(cells), error));
}

HRESULT SymbolFileAdd(const std::string& qvmPath, const std::string& partition, const std::string& symbol,
                      const StringList& pins) {
    if (UnstorableNameReason(partition, NameUse::FileName) || UnstorableNameReason(symbol, NameUse::FileName))
        return KELM_E_UNSAFE_PATH;
    const std::string folder = FolderOf(qvmPath);
    const std::string symFolder = folder + "SymbolLibs\\" + partition + "\\sym";
    LibraryLock lock;
    std::string error;
    {
        const HRESULT locked = lock.Acquire(folder + StemOf(qvmPath) + ".lock", error);
        if (FAILED(locked)) return locked;
    }
    if (!platform::MakeFolders(symFolder)) return KELM_E_IO;
    return FromResult(platform::WriteFileAtomic(symFolder + "\\" + symbol + kSymbolFileExtension,
                                                SerializeSymbolFile(symbol, pins), error));
}

HRESULT PadstackDBCreate(const std::string& path) {
    std::string error;
    return FromResult(platform::CreateFileExclusive(path, SerializePadstackFile({}), error));
}

HRESULT PadstackDBList(const std::string& path, std::vector<padstackdb::PadstackData>& padstacks) {
    std::string text, error;
    if (platform::ReadWholeFile(path, text, error) != platform::FileResult::Ok) return KELM_E_IO;
    if (!ParsePadstackFile(text, path, padstacks, error)) return KELM_E_CORRUPT;
    return S_OK;
}

}  // namespace kelm::store

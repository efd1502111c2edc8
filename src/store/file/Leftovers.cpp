#include "store/file/Leftovers.h"

#include "platform/AtomicFile.h"
#include "platform/Machine.h"
#include "store/file/StoreLog.h"
#include "store/format/LibraryFiles.h"

namespace kelm::store {
namespace {
bool StartsWith(const std::string& text, const std::string& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

bool IsLeftover(const std::string& name, const std::string& lockName) {
    if (StartsWith(name, lockName + ".takeover-") || StartsWith(name, lockName + ".stale-")) return true;
    long writer = 0;
    return platform::IsTemporaryFileName(name, writer) && !platform::IsProcessAlive(writer);
}
}  // namespace

std::vector<std::string> RemoveLeftovers(const std::string& qvmPath) {
    const std::string folder = LibraryFolderOf(qvmPath);
    const std::string root = folder.empty() ? std::string(".") : folder;
    const std::string lockName = LibraryStemOf(qvmPath) + ".lock";
    std::vector<std::string> folders{root, folder + "PartsDBLibs", folder + "CellDBLibs"}, names;
    if (platform::ListFolders(folder + "SymbolLibs", names))
        for (const std::string& partition : names) folders.push_back(folder + "SymbolLibs\\" + partition + "\\sym");
    // The index keeps a folder per kind, as the partitions do, and the
    // library-wide index in its own folder.
    const std::string index = LibraryIndexFolder(qvmPath);
    for (const char* kind : {"PartsDBLibs", "CellDBLibs", "SymbolLibs"}) folders.push_back(index + kind);
    folders.push_back(index.substr(0, index.size() - 1));
    std::vector<std::string> removed;
    for (const std::string& place : folders) {
        if (!platform::ListFiles(place, names)) continue;
        const std::string prefix = place == root ? folder : place + "\\";
        for (const std::string& name : names) {
            if (!IsLeftover(name, lockName)) continue;
            const std::string path = prefix + name;
            if (platform::RemoveFile(path) != platform::FileResult::Ok) continue;
            WriteStoreLog(qvmPath, LogLevel::Info, "removed " + path + ", left by a session that ended abruptly");
            removed.push_back(path);
        }
    }
    return removed;
}

}  // namespace kelm::store

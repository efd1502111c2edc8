// One Kelm object's library session: at most one library open at a time
// through its own store session, under a user name and a mode.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "kelmapi/automation.h"
#include "session/OperationLog.h"
#include "store/items/KelmServer.h"
#include "util/AutoTypes.h"

namespace kelm {

// The bare names of the default search scheme's partitions of one store
// type as the queries derive them, kept with the store's view they were
// derived from (store::StoreBackend::ViewVersion).
struct DefaultSchemeNames {
    std::uint64_t view = 0;  // 0: nothing kept
    StringList names;        // in scheme order
    // The places in `names` of the names that the store does not simply
    // resolve as that partition name (without regard to case).
    std::vector<std::size_t> irregular;
};

class LibrarySession {
public:
    LibrarySession();  // the store session gets the default backend
    explicit LibrarySession(std::shared_ptr<store::StoreBackend> backend);
    LibrarySession(const LibrarySession&) = delete;
    LibrarySession& operator=(const LibrarySession&) = delete;

    HRESULT Open(const std::string& qvmFile, const std::string& userName, VARIANT_BOOL readOnly);
    HRESULT Close();
    HRESULT Reload();
    HRESULT Save();

    // The open test of every method that works on the library.
    bool IsOpen() const { return m_open == 1; }
    const std::string& UserName() const { return m_userName; }
    const std::string& LibraryFile() const { return m_libraryFile; }
    const std::string& LibraryFolder() const { return m_libraryFolder; }
    store::KelmServer& Store() { return m_store; }
    OperationLog& Log() { return m_log; }
    DefaultSchemeNames& KeptSchemeNames(int storePartitionType) { return m_schemeNames[storePartitionType]; }

private:
    // Destroyed in reverse order: the store session first, then the strings,
    // then the log.
    OperationLog m_log;
    int m_open = 0;
    std::string m_userName;
    std::string m_libraryFile;
    std::string m_libraryFolder;
    store::KelmServer m_store;
    std::map<int, DefaultSchemeNames> m_schemeNames;
};

// Returns 0x80004005 from the calling method while no library is open.
#define RETURN_IF_NOT_OPEN(session) RETURN_HR_IF(E_FAIL, !(session).IsOpen())

}  // namespace kelm

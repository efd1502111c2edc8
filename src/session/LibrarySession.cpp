// The library session: opening, closing, reloading and saving one library
// through the session's own store session.
#include "session/LibrarySession.h"

#include "platform/CodePage.h"
#include "util/Flags.h"
#include "util/Format.h"
#include "util/Paths.h"

namespace kelm {
namespace {
constexpr const char* kDefaultUserName = "KelmAPI";
constexpr const char* kLogName = "QuorKelm";
constexpr const char* kApplicationName = "KelmAPI";
}  // namespace

LibrarySession::LibrarySession() : LibrarySession(store::CreateDefaultBackend()) {}

LibrarySession::LibrarySession(std::shared_ptr<store::StoreBackend> backend)
    : m_userName(kDefaultUserName), m_store(nullptr, std::move(backend)) {}

HRESULT LibrarySession::Open(const std::string& qvmFile, const std::string& userName, VARIANT_BOOL readOnly) {
    // The user name is taken first and kept when a later step fails.
    m_userName = userName.empty() ? kDefaultUserName : userName;

    RETURN_HR_IF(E_INVALIDARG, platform::CompareNoCase(GetPathExtension(qvmFile), "qvm") != 0);
    RETURN_HR_IF(E_FAIL, !PathExists(qvmFile));

    if (m_open == 1) Close();
    m_libraryFile = qvmFile;
    m_libraryFolder = GetPathFolder(qvmFile);
    m_log.Start(m_libraryFolder, kLogName, kApplicationName);

    RETURN_HR_IF(E_FAIL, m_store.Init() != 0);
    const int mode = IsTrue(readOnly) ? 1 : 0;
    // A failed load leaves the store session as it is: the next open calls Init again.
    RETURN_HR_IF(E_FAIL, m_store.Load(m_libraryFile.c_str(), mode) != 0);

    m_open = 1;
    return S_OK;
}

HRESULT LibrarySession::Close() {
    if (m_open == 1) {
        m_store.Close();
        m_libraryFile.clear();
        m_libraryFolder.clear();
        m_open = 0;
    }
    return S_OK;
}

HRESULT LibrarySession::Reload() {
    RETURN_IF_NOT_OPEN(*this);
    RETURN_HR_IF(E_FAIL, m_store.Load(nullptr, 1) != 0);
    return S_OK;
}

HRESULT LibrarySession::Save() {
    RETURN_IF_NOT_OPEN(*this);
    if (m_store.Save(nullptr, 0, 0) != 0) {
        // The status is the automation one; the log keeps the store's reason
        // (the items that collided and where they live, the file that failed).
        const std::string reason = m_store.LastErrorText();
        m_log.LogError("SaveQVM", reason.empty() ? std::string("Library not saved.")
                                                 : Format("Library not saved (%s).", reason.c_str()));
        return E_FAIL;
    }
    return S_OK;
}

}  // namespace kelm

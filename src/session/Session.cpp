// Library session and operation log: not built yet.
#include "session/LibrarySession.h"

namespace kelm {
void OperationLog::Start(const std::string&, const std::string&, const std::string&) {}
bool OperationLog::WriteLine(const std::string&, const std::string&, const std::string&) { return false; }
bool OperationLog::LogError(const std::string& t, const std::string& m) { return WriteLine("(ERROR)", t, m); }
bool OperationLog::LogWarning(const std::string& t, const std::string& m) { return WriteLine("(WARNING)", t, m); }
bool OperationLog::LogInfo(const std::string& t, const std::string& m) { return WriteLine("(INFO)", t, m); }

LibrarySession::LibrarySession() : LibrarySession(store::CreateDefaultBackend()) {}
LibrarySession::LibrarySession(std::shared_ptr<store::StoreBackend> backend)
    : m_userName("KelmAPI"), m_store(nullptr, std::move(backend)) {}
HRESULT LibrarySession::Open(const std::string&, const std::string&, VARIANT_BOOL) { return E_NOTIMPL; }
HRESULT LibrarySession::Close() { return S_OK; }
HRESULT LibrarySession::Reload() { return E_NOTIMPL; }
HRESULT LibrarySession::Save() { return E_NOTIMPL; }
}  // namespace kelm

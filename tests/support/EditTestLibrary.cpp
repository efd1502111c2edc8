#include "support/EditTestLibrary.h"

#include <fstream>

#include "platform/Files.h"
#include "store/file/LibraryTools.h"
#include "util/Format.h"

namespace kelm::testing {

namespace {
std::vector<std::string> WithoutTimeStamps(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const std::string& line : lines) out.push_back(line.size() > 20 ? line.substr(20) : std::string());
    return out;
}
}  // namespace

EditTestLibrary::EditTestLibrary(const std::string& user)
    : m_store(std::make_shared<ScriptedStore>()), m_session(m_store) {
    m_session.Open(m_folder.File("Main.qvm", "\n"), user, VARIANT_FALSE);
    m_store->ClearCalls();
}

std::vector<std::string> EditTestLibrary::LogLines() { return WithoutTimeStamps(ReadLogFile(m_session.Log().LogFilePath())); }

FileTestLibrary::FileTestLibrary(const std::string& user)
    : m_qvm((m_folder.Root() / "Main.qvm").string()), m_session(std::make_unique<LibrarySession>()) {
    if (store::CreateLibrary(m_qvm) == S_OK) m_openStatus = m_session->Open(m_qvm, user, VARIANT_FALSE);
}

FileTestLibrary::FileTestLibrary(const std::filesystem::path& copyFrom, const std::string& qvmName,
                                 const std::string& user)
    : m_qvm((m_folder.Root() / qvmName).string()), m_session(std::make_unique<LibrarySession>()) {
    std::error_code error;
    std::filesystem::copy(copyFrom, m_folder.Root(), std::filesystem::copy_options::recursive, error);
    if (!error) m_openStatus = m_session->Open(m_qvm, user, VARIANT_FALSE);
}

std::unique_ptr<LibrarySession> FileTestLibrary::OpenAnother(const std::string& user) const {
    auto session = std::make_unique<LibrarySession>();
    session->Open(m_qvm, user, VARIANT_FALSE);
    return session;
}

std::vector<std::string> FileTestLibrary::LogLines() { return WithoutTimeStamps(ReadLogFile(m_session->Log().LogFilePath())); }

std::string LogLine(const std::string& level, const std::string& tag, const std::string& message) {
    return Format("%-10s%-15s%-35s - %s", level.c_str(), "KelmAPI", tag.c_str(), message.c_str());
}

std::vector<std::string> ReadLogFile(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(platform::NativePath(path), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

}  // namespace kelm::testing

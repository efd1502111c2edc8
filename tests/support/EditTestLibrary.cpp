#include "support/EditTestLibrary.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <random>

#include "platform/Files.h"
#include "store/LibraryTools.h"
#include "util/Format.h"

namespace kelm::testing {

namespace {
std::vector<std::string> WithoutTimeStamps(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const std::string& line : lines) out.push_back(line.size() > 20 ? line.substr(20) : std::string());
    return out;
}
}  // namespace


TempFolder::TempFolder(const std::string& prefix) {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    m_path = std::filesystem::temp_directory_path() /
             (prefix + "-" + std::to_string(random()) + "-" + std::to_string(ticks % 100000) + "-" +
              std::to_string(counter++));
    std::filesystem::create_directories(m_path);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

EditTestLibrary::EditTestLibrary(const std::string& user)
    : m_folder("kelm-edits"), m_store(std::make_shared<ScriptedStore>()), m_session(m_store) {
    const std::string qvm = m_folder.File("Main.qvm");
    std::ofstream(qvm).put('\n');
    m_session.Open(qvm, user, VARIANT_FALSE);
    m_store->ClearCalls();
}

std::vector<std::string> EditTestLibrary::LogLines() { return WithoutTimeStamps(ReadLogFile(m_session.Log().LogFilePath())); }

FileTestLibrary::FileTestLibrary(const std::string& user)
    : m_folder("kelm-lib"), m_qvm(m_folder.File("Main.qvm")), m_session(std::make_unique<LibrarySession>()) {
    if (store::CreateLibrary(m_qvm) == S_OK) m_openStatus = m_session->Open(m_qvm, user, VARIANT_FALSE);
}

FileTestLibrary::FileTestLibrary(const std::filesystem::path& copyFrom, const std::string& qvmName,
                                 const std::string& user)
    : m_folder("kelm-lib"), m_qvm(m_folder.File(qvmName)), m_session(std::make_unique<LibrarySession>()) {
    std::error_code error;
    std::filesystem::copy(copyFrom, m_folder.Path(), std::filesystem::copy_options::recursive, error);
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

// A library session opened on a scripted store, for the tests of the
// editing and import methods: a temporary folder holding an empty Main.qvm
// (so that the open's existence test passes), the store double behind the
// session, and a reader for the operation log the session writes there.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "session/LibrarySession.h"
#include "support/ScriptedStore.h"
#include "support/TempFolder.h"

namespace kelm::testing {

class EditTestLibrary {
public:
    // Opens <temp>/Main.qvm read-write under the user on a fresh store double,
    // then forgets the open's store calls.
    explicit EditTestLibrary(const std::string& user = "alice");

    ScriptedStore& Store() { return *m_store; }
    LibrarySession& Session() { return m_session; }
    std::string Folder() const { return m_folder.Root().string(); }

    // The log's lines without their time stamp column (from column 21 on)
    // and without the line break; empty when nothing was logged.
    std::vector<std::string> LogLines();

private:
    TempFolder m_folder;
    std::shared_ptr<ScriptedStore> m_store;
    LibrarySession m_session;
};

// A new, empty library of the file store in a temporary folder, opened
// read-write under a user.
class FileTestLibrary {
public:
    explicit FileTestLibrary(const std::string& user = "alice");
    // Takes an existing library folder instead (its .qvm is <folder>/<qvmName>).
    FileTestLibrary(const std::filesystem::path& copyFrom, const std::string& qvmName, const std::string& user);

    LibrarySession& Session() { return *m_session; }
    const std::string& QvmPath() const { return m_qvm; }
    std::string Folder() const { return m_folder.Root().string(); }
    HRESULT OpenStatus() const { return m_openStatus; }
    // Another session on the same library, opened read-write under a user.
    std::unique_ptr<LibrarySession> OpenAnother(const std::string& user) const;
    std::vector<std::string> LogLines();

private:
    TempFolder m_folder;
    std::string m_qvm;
    std::unique_ptr<LibrarySession> m_session;
    HRESULT m_openStatus = E_FAIL;
};

// A log line as LogLines() returns it.
std::string LogLine(const std::string& level, const std::string& tag, const std::string& message);
inline std::string ErrorLine(const std::string& tag, const std::string& message) { return LogLine("(ERROR)", tag, message); }
inline std::string WarningLine(const std::string& tag, const std::string& message) { return LogLine("(WARNING)", tag, message); }
inline std::string InfoLine(const std::string& tag, const std::string& message) { return LogLine("(INFO)", tag, message); }

// Every line of a log file, without its line break (CR LF or LF).
std::vector<std::string> ReadLogFile(const std::string& path);

}  // namespace kelm::testing

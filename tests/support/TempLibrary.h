// A library of the file-backed store in a fresh temporary folder, for tests
// that run against real files. The folder is removed at destruction.
//
//   TempLibrary lib;                       // empty library lib.qvm
//   lib.AddPartitions({"PartsDBLibs\\Resistors.pdb", "CellDBLibs\\Smd.cel"});
//   lib.Reserve("PartsDBLibs\\Resistors.pdb", "alice");
//   auto server = lib.Open();              // a KelmServer on it, read-write
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "store/items/KelmServer.h"
#include "support/TempFolder.h"

namespace kelm::testing {

class TempLibrary {
public:
    TempLibrary();
    TempLibrary(const TempLibrary&) = delete;
    TempLibrary& operator=(const TempLibrary&) = delete;
    const std::string& Folder() const { return m_folder; }  // ends in '/'
    const std::string& File() const { return m_file; }      // the .qvm
    std::string Path(const std::string& relative) const;    // folder + relative (backslashes kept)
    // A new store session on the library (mode 0 read-write, 1 read-only).
    std::unique_ptr<store::KelmServer> Open(int mode = 0) const;
    // Adds partitions (relative paths), a default scheme "(Default)" listing
    // them, and saves. Fails the test on any error.
    void AddPartitions(const std::vector<std::string>& paths) const;
    void Reserve(const std::string& path, const std::string& user) const;
    std::string ReadFile(const std::string& relative) const;
    void WriteFile(const std::string& relative, const std::string& bytes) const;

private:
    TempFolder m_temp;
    std::string m_folder;
    std::string m_file;
};

}  // namespace kelm::testing

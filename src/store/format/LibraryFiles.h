// The names of a library's own files, all built from the path of its
// configuration file (<folder>\<name>.qvm): the folder, the name, the lock,
// the reservations, the index folder and the store's log.
#pragma once

#include <string>

namespace kelm::store {

// The folder of the library file, ending in its separator; empty for a bare name.
std::string LibraryFolderOf(const std::string& qvmPath);
// The library file's name without its extension.
std::string LibraryStemOf(const std::string& qvmPath);

std::string LibraryLockFile(const std::string& qvmPath);         // <folder><name>.lock
std::string LibraryReservationFile(const std::string& qvmPath);  // <folder><name>.reservations
std::string LibraryIndexFolder(const std::string& qvmPath);     // <folder><name>.index\ (a folder)
std::string StoreLogFile(const std::string& qvmPath);            // <folder>LogFiles\KelmStore.log

}  // namespace kelm::store

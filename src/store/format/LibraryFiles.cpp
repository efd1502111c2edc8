#include "store/format/LibraryFiles.h"

namespace kelm::store {

std::string LibraryFolderOf(const std::string& qvmPath) {
    const std::size_t slash = qvmPath.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : qvmPath.substr(0, slash + 1);
}

std::string LibraryStemOf(const std::string& qvmPath) {
    std::string name = qvmPath.substr(LibraryFolderOf(qvmPath).size());
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string LibraryLockFile(const std::string& qvmPath) {
    return LibraryFolderOf(qvmPath) + LibraryStemOf(qvmPath) + ".lock";
}

std::string LibraryIndexFolder(const std::string& qvmPath) {
    return LibraryFolderOf(qvmPath) + LibraryStemOf(qvmPath) + ".index\\";
}

std::string LibraryReservationFile(const std::string& qvmPath) {
    return LibraryFolderOf(qvmPath) + LibraryStemOf(qvmPath) + ".reservations";
}

std::string StoreLogFile(const std::string& qvmPath) { return LibraryFolderOf(qvmPath) + "LogFiles\\KelmStore.log"; }

}  // namespace kelm::store

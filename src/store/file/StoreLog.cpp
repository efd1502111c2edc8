#include "store/file/StoreLog.h"

#include <ctime>

#include "platform/Files.h"
#include "platform/Machine.h"
#include "store/format/LibraryFiles.h"

namespace kelm::store {

void WriteStoreLog(const std::string& qvmPath, LogLevel level, const std::string& message) {
    if (qvmPath.empty()) return;
    const std::time_t now = std::time(nullptr);
    char stamp[32] = {};
    if (const std::tm* local = std::localtime(&now)) std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", local);
    const char* levelText = level == LogLevel::Error ? "(ERROR)  " : level == LogLevel::Warning ? "(WARNING)" : "(INFO)   ";
    std::string line = std::string(stamp) + " " + levelText + " " + LibraryStemOf(qvmPath) + ": " + message;
    for (char& c : line)
        if (c == '\n' || c == '\r') c = ' ';
    line += '\n';
    const std::string file = StoreLogFile(qvmPath);
    const std::string folder = file.substr(0, file.find_last_of("\\/"));
    if (!platform::IsFolder(folder)) platform::CreateOneFolder(folder);
    // Another process may be appending at this moment: a few short tries.
    for (int attempt = 0; attempt < 20 && !platform::AppendExclusive(file, line); ++attempt)
        platform::SleepMilliseconds(5);
}

}  // namespace kelm::store

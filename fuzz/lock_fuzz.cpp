// The lock file reader, through a lock file on disk as the library lock
// reads it: any content gives a holder or false, never a crash.
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "FuzzSupport.h"
#include "store/file/LibraryLock.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path =
        (std::filesystem::temp_directory_path() / ("kelm-lock-fuzz-" + std::to_string(getpid()) + ".lock")).string();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    kelm::store::LockHolder holder;
    if (kelm::store::ReadLockHolder(path, holder)) FUZZ_CHECK(!holder.Describe().empty());
    return 0;
}

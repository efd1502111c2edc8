#include "platform/AtomicFile.h"

#include <windows.h>

#include <atomic>

namespace kelm::platform {
namespace {
std::atomic<unsigned> g_counter{0};

bool WriteAll(HANDLE file, const char* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        DWORD wrote = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
        if (!::WriteFile(file, data + done, chunk, &wrote, nullptr)) return false;
        done += wrote;
    }
    return true;
}
}  // namespace

FileResult WriteFileAtomic(const std::string& path, const std::string& bytes, std::string& error, Flush flush) {
    const std::string native = StorePath(path);
    const std::string temporary = native + ".tmp-" + std::to_string(::GetCurrentProcessId()) + "-" +
                                  std::to_string(++g_counter);
    HANDLE file = ::CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        error = "cannot write " + path + ": system error " + std::to_string(static_cast<unsigned long>(code));
        return code == ERROR_ACCESS_DENIED ? FileResult::Denied : FileResult::Error;
    }
    const std::size_t half = bytes.size() / 2;
    bool ok = WriteAll(file, bytes.data(), half);
    FaultPoint();
    ok = ok && WriteAll(file, bytes.data() + half, bytes.size() - half);
    FaultPoint();
    ok = ok && (flush == Flush::No || ::FlushFileBuffers(file));
    ::CloseHandle(file);
    if (!ok) {
        error = "cannot write " + path;
        ::DeleteFileA(temporary.c_str());
        return FileResult::Error;
    }
    FaultPoint();
    // Another process (a virus scanner, an indexer) may hold the target for
    // a moment: retry a sharing violation a bounded number of times.
    for (int attempt = 0;; ++attempt) {
        if (::MoveFileExA(temporary.c_str(), native.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) break;
        const DWORD code = ::GetLastError();
        if ((code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED || code == ERROR_LOCK_VIOLATION) &&
            attempt < 40) {
            ::Sleep(25);
            continue;
        }
        error = "cannot replace " + path + ": system error " + std::to_string(static_cast<unsigned long>(code));
        ::DeleteFileA(temporary.c_str());
        return FileResult::Error;
    }
    FaultPoint();  // the folder needs no flush of its own here
    return FileResult::Ok;
}

}  // namespace kelm::platform

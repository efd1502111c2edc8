#include "platform/AtomicFile.h"

#include <windows.h>

#include <algorithm>
#include <atomic>

#include "platform/win/SystemError.h"

namespace kelm::platform {
namespace {
std::atomic<unsigned> g_counter{0};

// Writes all bytes; false with the last error set.
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

// A write step: fault injection first (it may end the process or fail the step).
bool Step(bool ok) {
    if (!ok) return false;
    if (const DWORD injected = InjectedSystemError(FaultPoint())) {
        ::SetLastError(injected);
        return false;
    }
    return true;
}

FileResult Failed(const char* what, const std::string& path, DWORD code, std::string& error) {
    error = std::string(what) + " " + path + ": " + SystemErrorText(code);
    return code == ERROR_ACCESS_DENIED ? FileResult::Denied
         : code == ERROR_PATH_NOT_FOUND || code == ERROR_FILE_NOT_FOUND ? FileResult::NotFound : FileResult::Error;
}
}  // namespace

FileResult WriteFileAtomic(const std::string& path, const std::string& bytes, std::string& error, Flush flush) {
    const std::string native = NativePath(path);
    const std::string temporary = native + ".tmp-" + std::to_string(::GetCurrentProcessId()) + "-" +
                                  std::to_string(++g_counter);
    HANDLE file = ::CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Failed("cannot write", path, ::GetLastError(), error);
    const std::size_t half = bytes.size() / 2;
    bool ok = Step(WriteAll(file, bytes.data(), half));
    ok = Step(ok && WriteAll(file, bytes.data() + half, bytes.size() - half));
    ok = ok && (flush == Flush::No || ::FlushFileBuffers(file));
    const DWORD code = ok ? 0 : ::GetLastError();
    ::CloseHandle(file);
    if (!ok) {
        ::DeleteFileA(temporary.c_str());
        return Failed("cannot write", path, code, error);
    }
    if (!Step(true)) {
        const DWORD injected = ::GetLastError();
        ::DeleteFileA(temporary.c_str());
        return Failed("cannot replace", path, injected, error);
    }
    // Another process (a virus scanner, an indexer) may hold the target for
    // a moment: retry a sharing violation a bounded number of times.
    for (int attempt = 0;; ++attempt) {
        if (::MoveFileExA(temporary.c_str(), native.c_str(), MOVEFILE_REPLACE_EXISTING | (flush == Flush::Yes ? MOVEFILE_WRITE_THROUGH : 0))) break;
        const DWORD moveCode = ::GetLastError();
        if ((moveCode == ERROR_SHARING_VIOLATION || moveCode == ERROR_ACCESS_DENIED || moveCode == ERROR_LOCK_VIOLATION) &&
            attempt < 40) {
            ::Sleep(25);
            continue;
        }
        ::DeleteFileA(temporary.c_str());
        return Failed("cannot replace", path, moveCode, error);
    }
    FaultPoint();  // the folder needs no flush of its own here
    return FileResult::Ok;
}

FileResult AppendDurably(const std::string& path, const std::string& bytes, std::string& error) {
    HANDLE file = ::CreateFileA(NativePath(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Failed("cannot write", path, ::GetLastError(), error);
    const std::size_t half = bytes.size() / 2;
    bool ok = Step(WriteAll(file, bytes.data(), half));
    ok = Step(ok && WriteAll(file, bytes.data() + half, bytes.size() - half));
    ok = ok && ::FlushFileBuffers(file);
    const DWORD code = ok ? 0 : ::GetLastError();
    ::CloseHandle(file);
    return ok ? FileResult::Ok : Failed("cannot write", path, code, error);
}

bool TouchFile(const std::string& path) {
    if (!Step(true)) return false;
    HANDLE file = ::CreateFileA(NativePath(path).c_str(), FILE_WRITE_ATTRIBUTES | FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    FILETIME written{}, now{};
    bool ok = ::GetFileTime(file, nullptr, nullptr, &written) != FALSE;
    ::GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER next{}, current{};
    next.LowPart = written.dwLowDateTime;
    next.HighPart = written.dwHighDateTime;
    ++next.QuadPart;
    current.LowPart = now.dwLowDateTime;
    current.HighPart = now.dwHighDateTime;
    if (current.QuadPart > next.QuadPart) next = current;
    const FILETIME time{next.LowPart, next.HighPart};
    ok = ok && ::SetFileTime(file, nullptr, nullptr, &time) != FALSE;
    ::CloseHandle(file);
    return ok;
}

}  // namespace kelm::platform

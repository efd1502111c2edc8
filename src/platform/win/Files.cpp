// Files on Windows: ANSI paths as given; exclusive appends use CreateFile
// with share mode 0.
#include "platform/Files.h"

#include <windows.h>

#include <io.h>

namespace kelm::platform {

std::string NativePath(const std::string& path) { return path; }

bool PathExistsOnDisk(const std::string& path) { return ::_access(path.c_str(), 0) == 0; }

bool CreateOneFolder(const std::string& path) { return ::CreateDirectoryA(path.c_str(), nullptr) != FALSE; }

bool AppendFile::Open(const std::string& path) {
    Close();
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER zero{};
    if (!::SetFilePointerEx(file, zero, nullptr, FILE_END)) {
        ::CloseHandle(file);
        return false;
    }
    m_handle = reinterpret_cast<std::intptr_t>(file);
    return true;
}

bool AppendFile::Write(const std::string& bytes) {
    if (!IsOpen()) return false;
    HANDLE file = reinterpret_cast<HANDLE>(m_handle);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t chunk = bytes.size() - done > 0x40000000u ? 0x40000000u : bytes.size() - done;
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data() + done, static_cast<DWORD>(chunk), &written, nullptr) || written == 0) {
            return false;
        }
        done += written;
    }
    return ::FlushFileBuffers(file) != FALSE;
}

bool AppendFile::Close() {
    if (!IsOpen()) return false;
    HANDLE file = reinterpret_cast<HANDLE>(m_handle);
    m_handle = kClosed;
    return ::CloseHandle(file) != FALSE;
}

}  // namespace kelm::platform

// Files on Windows: ANSI paths, '/' taken as '\'; exclusive appends use
// CreateFile with share mode 0; moves never replace (MoveFileEx without
// MOVEFILE_REPLACE_EXISTING).
#include "platform/Files.h"

#include <windows.h>

#include <io.h>

#include <algorithm>

#include "platform/FaultInjection.h"
#include "platform/win/SystemError.h"

namespace kelm::platform {
namespace {
FileResult FromLastError(DWORD code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND: case ERROR_PATH_NOT_FOUND: return FileResult::NotFound;
    case ERROR_FILE_EXISTS: case ERROR_ALREADY_EXISTS: return FileResult::Exists;
    case ERROR_ACCESS_DENIED: case ERROR_WRITE_PROTECT: case ERROR_SHARING_VIOLATION: return FileResult::Denied;
    default: return FileResult::Error;
    }
}
FileResult Failed(const char* what, const std::string& path, DWORD code, std::string& error) {
    error = std::string(what) + " " + path + ": " + SystemErrorText(code);
    return FromLastError(code);
}
bool ListEntries(const std::string& folder, bool folders, std::vector<std::string>& names) {
    names.clear();
    WIN32_FIND_DATAA data{};
    HANDLE find = ::FindFirstFileA((NativePath(folder) + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return IsFolder(folder);
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        if (((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == folders) names.push_back(name);
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
    std::sort(names.begin(), names.end());
    return true;
}
}  // namespace

std::string NativePath(const std::string& path) {
    std::string native = path;
    std::replace(native.begin(), native.end(), '/', '\\');
    return native;
}

bool PathExistsOnDisk(const std::string& path) { return ::_access(NativePath(path).c_str(), 0) == 0; }

bool IsFolder(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(NativePath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

FileStamp StampOf(const std::string& path) {
    FileStamp stamp;
    HANDLE file = ::CreateFileA(NativePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return stamp;
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileInformationByHandle(file, &info)) {
        stamp.exists = true;
        stamp.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
        stamp.modified = static_cast<std::int64_t>((static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                                                   info.ftLastWriteTime.dwLowDateTime);
        stamp.identity = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    }
    ::CloseHandle(file);
    return stamp;
}

FileResult ReadWholeFile(const std::string& path, std::string& bytes, std::string& error) {
    HANDLE file = ::CreateFileA(NativePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Failed("cannot open", path, ::GetLastError(), error);
    bytes.clear();
    char buffer[1 << 16];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
            const DWORD code = ::GetLastError();
            ::CloseHandle(file);
            bytes.clear();
            Failed("cannot read", path, code, error);
            return FileResult::Error;
        }
        if (got == 0) break;
        bytes.append(buffer, got);
    }
    ::CloseHandle(file);
    return FileResult::Ok;
}

FileResult CreateFileExclusive(const std::string& path, const std::string& bytes, std::string& error, Flush flush) {
    if (const DWORD injected = InjectedSystemError(FaultPoint())) return Failed("cannot create", path, injected, error);
    HANDLE file = ::CreateFileA(NativePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        // A file deleted while another process still has it open keeps its
        // name until that handle closes, and creating it again is "access
        // denied" meanwhile: the name is taken, not the folder read-only.
        // A sharing violation on CREATE_NEW: the file exists and another
        // process has it open; the name is taken all the same.
        if (code == ERROR_SHARING_VIOLATION) {
            Failed("cannot create", path, code, error);
            return FileResult::Exists;
        }
        if (code == ERROR_ACCESS_DENIED) {
            const bool taken = ::GetFileAttributesA(NativePath(path).c_str()) != INVALID_FILE_ATTRIBUTES ||
                               ::GetLastError() == ERROR_ACCESS_DENIED;
            if (taken) {
                Failed("cannot create", path, code, error);
                return FileResult::Exists;
            }
        }
        return Failed("cannot create", path, code, error);
    }
    DWORD wrote = 0;
    BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr) && wrote == bytes.size();
    if (ok && flush == Flush::Yes) ok = ::FlushFileBuffers(file);
    const DWORD code = ok ? 0 : ::GetLastError();
    ::CloseHandle(file);
    if (!ok) {
        ::DeleteFileA(NativePath(path).c_str());
        Failed("cannot write", path, code, error);
        return FileResult::Error;
    }
    return FileResult::Ok;
}

FileResult MovePath(const std::string& from, const std::string& to, std::string& error) {
    if (const DWORD injected = InjectedSystemError(FaultPoint())) return Failed("cannot move", from, injected, error);
    for (int attempt = 0;; ++attempt) {
        if (::MoveFileExA(NativePath(from).c_str(), NativePath(to).c_str(), MOVEFILE_WRITE_THROUGH)) return FileResult::Ok;
        const DWORD code = ::GetLastError();
        if ((code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED) && attempt < 20) {
            ::Sleep(25);
            continue;
        }
        return Failed("cannot move", from, code, error);
    }
}

FileResult RemoveFile(const std::string& path) {
    if (const DWORD injected = InjectedSystemError(FaultPoint())) return FromLastError(injected);
    for (int attempt = 0;; ++attempt) {
        if (::DeleteFileA(NativePath(path).c_str())) return FileResult::Ok;
        const DWORD code = ::GetLastError();
        if (code == ERROR_SHARING_VIOLATION && attempt < 20) {
            ::Sleep(25);
            continue;
        }
        return FromLastError(code);
    }
}

FileResult RemoveFileIfContent(const std::string& path, const std::string& expected) {
    if (const DWORD injected = InjectedSystemError(FaultPoint())) return FromLastError(injected);
    HANDLE file = ::CreateFileA(NativePath(path).c_str(), GENERIC_READ | DELETE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return FromLastError(::GetLastError());
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    BOOL read = FALSE;
    while ((read = ::ReadFile(file, buffer, sizeof buffer, &got, nullptr)) && got > 0) bytes.append(buffer, got);
    FileResult result = FileResult::Exists;
    if (!read) result = FileResult::Error;
    else if (bytes == expected) {
        FILE_DISPOSITION_INFO disposition{};
        disposition.DeleteFile = TRUE;
        result = ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition)
                     ? FileResult::Ok
                     : FromLastError(::GetLastError());
    }
    ::CloseHandle(file);
    return result;
}

bool CreateOneFolder(const std::string& path) { return ::CreateDirectoryA(NativePath(path).c_str(), nullptr) != FALSE; }

bool ListFiles(const std::string& folder, std::vector<std::string>& names) { return ListEntries(folder, false, names); }
bool ListFolders(const std::string& folder, std::vector<std::string>& names) { return ListEntries(folder, true, names); }

bool CanWriteIn(const std::string& folder) {
    const std::string probe = NativePath(folder) + "\\.kelm-probe-" + std::to_string(::GetCurrentProcessId());
    HANDLE file = ::CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(file);
    return true;
}

bool AppendFile::Open(const std::string& path) {
    Close();
    HANDLE file = ::CreateFileA(NativePath(path).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
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

#include "platform/StoreFiles.h"

#include <windows.h>

#include <algorithm>

#include "platform/AtomicFile.h"

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
std::string ErrorText(const std::string& what, const std::string& path, DWORD code) {
    return what + " " + path + ": system error " + std::to_string(static_cast<unsigned long>(code));
}
}  // namespace

std::string StorePath(const std::string& path) {
    std::string native = path;
    std::replace(native.begin(), native.end(), '/', '\\');
    return native;
}

FileResult ReadWholeFile(const std::string& path, std::string& bytes, std::string& error) {
    HANDLE file = ::CreateFileA(StorePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        error = ErrorText("cannot open", path, code);
        return FromLastError(code);
    }
    bytes.clear();
    char buffer[1 << 16];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
            error = ErrorText("cannot read", path, ::GetLastError());
            ::CloseHandle(file);
            return FileResult::Error;
        }
        if (got == 0) break;
        bytes.append(buffer, got);
    }
    ::CloseHandle(file);
    return FileResult::Ok;
}

FileStamp StampOf(const std::string& path) {
    FileStamp stamp;
    HANDLE file = ::CreateFileA(StorePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
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

bool IsFolder(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(StorePath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

FileResult CreateFileExclusive(const std::string& path, const std::string& bytes, std::string& error, Flush flush) {
    FaultPoint();
    HANDLE file = ::CreateFileA(StorePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        error = ErrorText("cannot create", path, code);
        // A file deleted while another process still has it open keeps its
        // name until that handle closes, and creating it again is "access
        // denied" meanwhile: the name is taken, not the folder read-only.
        if (code == ERROR_ACCESS_DENIED) {
            const bool taken = ::GetFileAttributesA(StorePath(path).c_str()) != INVALID_FILE_ATTRIBUTES ||
                               ::GetLastError() == ERROR_ACCESS_DENIED;
            if (taken) return FileResult::Exists;
        }
        return FromLastError(code);
    }
    DWORD wrote = 0;
    const BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr);
    if (flush == Flush::Yes) ::FlushFileBuffers(file);
    ::CloseHandle(file);
    if (!ok || wrote != bytes.size()) {
        error = "cannot write " + path;
        ::DeleteFileA(StorePath(path).c_str());
        return FileResult::Error;
    }
    return FileResult::Ok;
}

FileResult MovePath(const std::string& from, const std::string& to, std::string& error) {
    FaultPoint();
    for (int attempt = 0;; ++attempt) {
        if (::MoveFileExA(StorePath(from).c_str(), StorePath(to).c_str(), MOVEFILE_WRITE_THROUGH)) return FileResult::Ok;
        const DWORD code = ::GetLastError();
        if ((code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED) && attempt < 20) {
            ::Sleep(25);
            continue;
        }
        error = ErrorText("cannot move", from, code);
        return FromLastError(code);
    }
}

FileResult RemoveFile(const std::string& path) {
    FaultPoint();
    for (int attempt = 0;; ++attempt) {
        if (::DeleteFileA(StorePath(path).c_str())) return FileResult::Ok;
        const DWORD code = ::GetLastError();
        if (code == ERROR_SHARING_VIOLATION && attempt < 20) {
            ::Sleep(25);
            continue;
        }
        return FromLastError(code);
    }
}

bool MakeFolders(const std::string& path) {
    const std::string native = StorePath(path);
    for (std::size_t position = native.find('\\', 1); ; position = native.find('\\', position + 1)) {
        const std::string partial = native.substr(0, position);
        if (!partial.empty() && partial.back() != ':') ::CreateDirectoryA(partial.c_str(), nullptr);
        if (position == std::string::npos) break;
    }
    return IsFolder(path);
}

bool ListFiles(const std::string& folder, std::vector<std::string>& names) {
    names.clear();
    WIN32_FIND_DATAA data{};
    HANDLE find = ::FindFirstFileA((StorePath(folder) + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return IsFolder(folder);
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(data.cFileName);
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
    std::sort(names.begin(), names.end());
    return true;
}

bool ListFolders(const std::string& folder, std::vector<std::string>& names) {
    names.clear();
    WIN32_FIND_DATAA data{};
    HANDLE find = ::FindFirstFileA((StorePath(folder) + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return IsFolder(folder);
    do {
        const std::string name = data.cFileName;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != "..") names.push_back(name);
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
    std::sort(names.begin(), names.end());
    return true;
}

bool CanWriteIn(const std::string& folder) {
    const std::string probe = StorePath(folder) + "\\.kelm-probe-" + std::to_string(::GetCurrentProcessId());
    HANDLE file = ::CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(file);
    return true;
}

}  // namespace kelm::platform

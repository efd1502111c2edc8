#include "platform/MappedFile.h"

#include <windows.h>

namespace kelm::platform {

// The file is opened with every sharing mode, and closed once the view is
// made; the view keeps the bytes. While a view exists the file cannot be
// replaced by another: a writer of a derived file then leaves the old one.
bool MappedFile::Open(const std::string& path) {
    Close();
    HANDLE file = ::CreateFileA(NativePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file, &info)) {
        ::CloseHandle(file);
        return false;
    }
    m_stamp.exists = true;
    m_stamp.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    m_stamp.modified = static_cast<std::int64_t>((static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                                                 info.ftLastWriteTime.dwLowDateTime);
    m_stamp.identity = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    m_size = static_cast<std::size_t>(m_stamp.size);
    if (m_size > 0) {
        HANDLE mapping = ::CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
        void* view = mapping ? ::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0) : nullptr;
        if (mapping) ::CloseHandle(mapping);
        if (view) {
            m_view = view;
            m_data = static_cast<const char*>(view);
        } else {
            ::CloseHandle(file);
            std::string error;
            if (ReadWholeFile(path, m_copy, error) != FileResult::Ok) {
                Close();
                return false;
            }
            m_data = m_copy.data();
            m_size = m_copy.size();
            return true;
        }
    }
    ::CloseHandle(file);
    return true;
}

void MappedFile::Close() {
    if (m_view) ::UnmapViewOfFile(m_view);
    m_view = nullptr;
    m_data = nullptr;
    m_size = 0;
    m_copy.clear();
    m_stamp = {};
}

}  // namespace kelm::platform

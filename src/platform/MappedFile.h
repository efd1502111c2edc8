// A file's bytes for reading in place: a read-only mapping (POSIX mmap),
// else the whole file read into memory (where mmap fails, and on Windows,
// which would keep a mapped file from being replaced). The bytes stay as
// they were when opened, even when the file is replaced meanwhile (the
// store replaces files by renaming).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/Files.h"


namespace kelm::platform {

class MappedFile {
public:
    MappedFile() = default;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile() { Close(); }

    // False when the file cannot be opened (an empty file maps to no bytes).
    bool Open(const std::string& path);
    void Close() {
        Unmap();
        m_view = nullptr;
        m_data = nullptr;
        m_size = 0;
        m_copy.clear();
    }
    std::string_view Bytes() const { return {m_data, m_size}; }

private:
    void Unmap();  // releases m_view, where there is one
    // The whole file read into memory instead, where nothing is mapped.
    bool ReadInstead(const std::string& path) {
        std::string error;
        if (ReadWholeFile(path, m_copy, error) != FileResult::Ok) {
            Close();
            return false;
        }
        m_data = m_copy.data();
        m_size = m_copy.size();
        return true;
    }

    const char* m_data = nullptr;
    std::size_t m_size = 0;
    void* m_view = nullptr;  // the mapping, when there is one
    std::string m_copy;      // the bytes, when there is none
};

}  // namespace kelm::platform

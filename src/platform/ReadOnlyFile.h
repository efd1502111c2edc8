// A file open for reading pieces of it at given offsets. It stays the file
// that was opened, even when another is renamed over its name meanwhile (the
// store replaces files that way), so what it reads is consistent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kelm::platform {

class ReadOnlyFile {
public:
    ReadOnlyFile() = default;
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
    ~ReadOnlyFile() { Close(); }

    // False when the file cannot be opened.
    bool Open(const std::string& path);
    void Close();
    std::uint64_t Size() const { return m_size; }
    // Exactly `size` bytes at `offset` into `out`; false when the file ends
    // before them or the read fails.
    bool ReadAt(std::uint64_t offset, std::size_t size, std::string& out) const;

private:
    std::uint64_t m_size = 0;
    int m_descriptor = -1;  // POSIX: the open file
    std::string m_copy;     // Windows: the whole file (see there)
};

}  // namespace kelm::platform

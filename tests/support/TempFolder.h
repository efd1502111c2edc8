// A fresh folder below the system's temporary folder, removed with
// everything in it when the object goes. Path() ends in a separator.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace kelm::testing {

class TempFolder {
public:
    TempFolder() {
        std::random_device seed;
        const auto base = std::filesystem::temp_directory_path();
        do {
            m_path = base / ("kelm-test-" + std::to_string(seed()) + std::to_string(seed()));
        } while (!std::filesystem::create_directory(m_path));
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(m_path, ignored);
    }
    const std::filesystem::path& Root() const { return m_path; }
    // The folder as an 8-bit path ending in a separator.
    std::string Path() const { return (m_path / "").string(); }
    // Creates a file (and its folders) below the folder; returns its path
    // with the platform's separators.
    std::string File(const std::string& relative, const std::string& content = "") const {
        const auto file = (m_path / relative).make_preferred();
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << content;
        return file.string();
    }

private:
    std::filesystem::path m_path;
};

// Copies the folder `from` with everything below it into `to` (created when
// missing; files there are replaced). Done file by file: the MinGW runtime's
// std::filesystem::copy does nothing for a path that ends in a separator and
// refuses to overwrite a file.
inline void CopyTree(const std::filesystem::path& from, const std::filesystem::path& to) {
    const auto bare = [](const std::filesystem::path& path) { return path.has_filename() ? path : path.parent_path(); };
    const std::filesystem::path source = bare(from);
    std::filesystem::create_directories(to);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(source)) {
        const std::filesystem::path target = bare(to) / entry.path().lexically_relative(source);
        if (entry.is_directory()) {
            std::filesystem::create_directories(target);
        } else {
            std::ifstream in(entry.path(), std::ios::binary);
            std::ofstream(target, std::ios::binary | std::ios::trunc) << in.rdbuf();
        }
    }
}

// The whole content of a file; empty when it cannot be read.
inline std::string ReadFileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace kelm::testing

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

// The whole content of a file; empty when it cannot be read.
inline std::string ReadFileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace kelm::testing

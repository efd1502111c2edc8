#include "support/TempLibrary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "store/file/FileStore.h"
#include "store/items/KelmSchemePartition.h"
#include "store/file/LibraryTools.h"

namespace kelm::testing {
namespace {
std::string Native(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}
}  // namespace

TempLibrary::TempLibrary() : m_folder(m_temp.Root().generic_string() + "/"), m_file(m_folder + "lib.qvm") {
    EXPECT_EQ(S_OK, store::CreateLibrary(m_file));
}

std::string TempLibrary::Path(const std::string& relative) const { return m_folder + relative; }

std::unique_ptr<store::KelmServer> TempLibrary::Open(int mode) const {
    auto server = std::make_unique<store::KelmServer>(nullptr, store::CreateFileStoreBackend());
    EXPECT_EQ(S_OK, server->Init());
    EXPECT_EQ(S_OK, server->Load(m_file.c_str(), mode)) << server->LastErrorText();
    return server;
}

void TempLibrary::AddPartitions(const std::vector<std::string>& paths) const {
    auto server = Open();
    store::KelmSchemePartition partitions(*server);
    StringList scheme;
    partitions.GetDefaultSearchScheme(scheme);
    for (const std::string& path : paths) {
        ASSERT_EQ(S_OK, partitions.AddPartition(path, 1)) << path << ": " << server->LastErrorText();
        scheme.push_back(path);
    }
    std::string name = "(Default)";
    int protection = 1;
    if (partitions.GetDefaultSearchSchemeName(name) == S_OK) {
        partitions.GetDefaultSchemeProtection(protection);
        partitions.DeleteScheme(name);
    }
    ASSERT_EQ(S_OK, partitions.AddSearchScheme(name, scheme, protection, 1));
    ASSERT_EQ(S_OK, server->Save(nullptr, 0, 0)) << server->LastErrorText();
}

void TempLibrary::Reserve(const std::string& path, const std::string& user) const {
    auto server = Open();
    store::KelmSchemePartition partitions(*server);
    const HRESULT status = partitions.ReservePartition(path, user);
    ASSERT_TRUE(status == S_OK || status == 1) << server->LastErrorText();
}

std::string TempLibrary::ReadFile(const std::string& relative) const {
    return ReadFileBytes(Native(m_folder + relative));
}

void TempLibrary::WriteFile(const std::string& relative, const std::string& bytes) const {
    const std::filesystem::path path(Native(m_folder + relative));
    std::filesystem::create_directories(path.parent_path());
    std::error_code ignored;
    std::filesystem::remove(path, ignored);  // a new file: truncating one in place may flush it to disk
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

}  // namespace kelm::testing

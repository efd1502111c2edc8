// A store file cut short or damaged anywhere gives "corrupt file" naming the file and the line, never a crash and
// never a half-read library.
#include <gtest/gtest.h>
#include <algorithm>
#include "store/items/KelmCell.h"
#include "store/items/KelmPart.h"
#include "store/items/KelmSchemePartition.h"
#include "support/TempLibrary.h"
using namespace kelm;
using namespace kelm::store;
using kelm::testing::TempLibrary;
namespace {
class CorruptFiles : public ::testing::Test {
protected:
    void SetUp() override {
        lib.AddPartitions({"PartsDBLibs\\Resistors.pdb", "CellDBLibs\\Smd.cel"});
        for (const char* path : {"PartsDBLibs\\Resistors.pdb", "CellDBLibs\\Smd.cel"}) lib.Reserve(path, "alice");
        auto session = lib.Open();
        KelmPart parts(*session, nullptr);
        parts.SetWorkingUserName("alice");
        KelmCell cells(*session, nullptr, nullptr);
        cells.SetWorkingUserName("alice");
        for (const char* number : {"R1", "R2"}) {
            ASSERT_EQ(S_OK, parts.Add("Resistors", {"1", "2"}, number, nullptr, 0, 0));
            ASSERT_EQ(S_OK, parts.SetDesc("text with \"quotes\" and \\ backslash", number));
            ASSERT_EQ(S_OK, parts.AddSymbol("Gates:RES", {"A"}, number));
        }
        ASSERT_EQ(S_OK, cells.Add({"1", "2"}, "C1", "Smd", 0, 5, 0, 0));
        ASSERT_EQ(S_OK, session->Save(nullptr, 0, 0));
    }
    // Loads the library, reads every partition and the reservations: the first failure.
    HRESULT ReadAll(std::string& error) {
        KelmServer server(nullptr, CreateDefaultBackend());
        HRESULT status = server.Load(lib.File().c_str(), 1);
        KelmSchemePartition partitions(server);
        StringList list;
        if (status == S_OK) partitions.GetAllPartitions(list, 1);
        for (const std::string& path : list) {
            int count = 0;
            if (status == S_OK) status = partitions.GetNumObjectsInPartition(path, count);
        }
        if (std::string holder; status == S_OK) status = partitions.GetPartitionReservation("PartsDBLibs\\Resistors.pdb", holder);
        error = server.LastErrorText();
        return status;
    }
    // Every cut and every damaged byte of the file (at ~150 offsets spread over it, every line end among them) gives
    // "corrupt file".
    void ExpectEveryDamageCaught(const std::string& file, const std::string& name) {
        const std::string good = lib.ReadFile(file);
        ASSERT_FALSE(good.empty());
        std::string error;
        const std::size_t stride = std::max<std::size_t>(1, good.size() / 150);
        auto next = [&](std::size_t offset) { return std::min({offset + stride, good.find('\n', offset + 1), good.size()}); };
        for (std::size_t length = 0; length < good.size(); length = next(length)) {
            lib.WriteFile(file, good.substr(0, length));
            ASSERT_EQ(KELM_E_CORRUPT, ReadAll(error)) << file << " cut to " << length << " bytes";
            EXPECT_NE(std::string::npos, error.find(name + ", line ")) << error;
        }
        for (std::size_t offset = 0; offset < good.size(); offset = next(offset)) {
            std::string damaged = good;
            damaged[offset] = '\x01';
            lib.WriteFile(file, damaged);
            ASSERT_EQ(KELM_E_CORRUPT, ReadAll(error)) << file << " damaged at " << offset;
        }
        lib.WriteFile(file, good);
        EXPECT_EQ(S_OK, ReadAll(error)) << error;
    }
    TempLibrary lib;
};
}  // namespace

TEST_F(CorruptFiles, EveryStoreFileCutOrDamagedAnywhere) {
    for (const char* file : {"lib.qvm", "PartsDBLibs/Resistors.pdb", "CellDBLibs/Smd.cells", "lib.reservations"})
        ExpectEveryDamageCaught(file, std::string(file).substr(std::string(file).find('/') + 1));
}

TEST_F(CorruptFiles, AnotherVersionOrKindOfFileIsRefused) {
    std::string error;
    for (const auto& [kind, said] :
         {std::pair{"parts\",\"version\":2", "version 2"}, std::pair{"cells\",\"version\":1", "not a \"parts\" file"}}) {
        lib.WriteFile("PartsDBLibs/Resistors.pdb", "{\"kelm\":\"" + std::string(kind) + ",\"lines\":0}\n");
        EXPECT_EQ(KELM_E_CORRUPT, ReadAll(error));
        EXPECT_NE(std::string::npos, error.find(said)) << error;
    }
}

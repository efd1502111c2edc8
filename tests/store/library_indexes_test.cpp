// The library-wide lookups: part types found by a scan of the part files
// (every line form the reader takes, every damage caught, a file replaced
// by another session scanned again), cells found in configuration order
// across edits, and saves that keep untouched lines yet stay canonical.
#include <gtest/gtest.h>

#include "store/items/KelmCell.h"
#include "store/items/KelmPart.h"
#include "store/format/PartitionFiles.h"
#include "support/TempLibrary.h"

using namespace kelm;
using namespace kelm::store;
using kelm::testing::TempLibrary;

namespace {
const std::string kHeader2 = "{\"kelm\":\"parts\",\"version\":1,\"lines\":2}\n";

class LibraryIndexes : public ::testing::Test {
protected:
    void SetUp() override {
        lib.AddPartitions({"PartsDBLibs\\Resistors.pdb", "PartsDBLibs\\Caps.pdb", "CellDBLibs\\Smd.cel", "CellDBLibs\\Thru.cel"});
        for (const char* path : {"PartsDBLibs\\Resistors.pdb", "CellDBLibs\\Smd.cel", "CellDBLibs\\Thru.cel"})
            lib.Reserve(path, "alice");
        lib.WriteFile("PartsDBLibs/Resistors.pdb", kHeader2 + "{\"number\":\"R1\",\"cells\":[\"C1\"]}\n{\"number\":\"R2\"}\n");
    }
    TempLibrary lib;
};
}  // namespace

TEST_F(LibraryIndexes, EveryLineFormIsFoundAndEveryDamageCaught) {
    const std::string canonical =
        "{\"number\":\"A\",\"pins\":[\"1\"],\"name\":\"n\",\"label\":\"l\",\"nameDefault\":0,\"labelDefault\":-1,"
        "\"description\":\"d\",\"type\":\"t\",\"time\":7,\"cells\":[\"C2\",\"C3\"],\"symbols\":[{\"spec\":\"G:S\",\"pins\":[]}]}\n";
    struct Case { const char* what; std::string body; HRESULT status; };
    const std::vector<Case> cases = {
        {"as the store writes it", canonical + "{\"number\":\"B\"}\n", S_OK},
        {"blanks, escapes, CRLF", "{ \"number\" : \"A\", \"description\":\"\\\"x\\\"\", \"cells\":[\"C2\",\"C3\"] }\r\n{\"number\":\"B\"}\n", S_OK},
        {"leading zero", "{\"number\":\"A\",\"time\":007,\"cells\":[\"C2\",\"C3\"]}\n{\"number\":\"B\"}\n", S_OK},
        {"unknown field", "{\"number\":\"A\",\"colour\":\"red\"}\n{\"number\":\"B\"}\n", KELM_E_CORRUPT},
        {"out of order", "{\"number\":\"B\"}\n{\"number\":\"A\"}\n", KELM_E_CORRUPT},
        {"cell twice", "{\"number\":\"A\",\"cells\":[\"C\",\"C\"]}\n{\"number\":\"B\"}\n", KELM_E_CORRUPT},
        {"symbol twice", "{\"number\":\"A\",\"symbols\":[{\"spec\":\"S\"},{\"spec\":\"S\"}]}\n{\"number\":\"B\"}\n", KELM_E_CORRUPT},
        {"control byte", canonical.substr(0, 30) + "\x01" + canonical.substr(31) + "{\"number\":\"B\"}\n", KELM_E_CORRUPT},
        {"cut short", canonical, KELM_E_CORRUPT},
    };
    for (const Case& c : cases) {
        lib.WriteFile("PartsDBLibs/Caps.pdb", kHeader2 + c.body);
        auto session = lib.Open(1);
        KelmPart parts(*session, nullptr);
        KelmCell cells(*session, nullptr, nullptr);
        std::string partition;
        StringList users;
        EXPECT_EQ(c.status, parts.GetPartition(partition, "A")) << c.what;
        EXPECT_EQ(c.status, cells.GetPartNumbers(users, "C3")) << c.what;
        if (c.status == S_OK) {
            EXPECT_EQ("Caps", partition) << c.what;
            EXPECT_EQ(StringList{"A"}, users) << c.what;
        } else {
            EXPECT_NE(std::string::npos, session->LastErrorText().find("Caps.pdb, line ")) << c.what;
        }
    }
}

TEST_F(LibraryIndexes, APartFileReplacedAfterTheScanIsScannedAgain) {
    auto a = lib.Open();
    auto b = lib.Open();
    KelmPart readerA(*a, nullptr), writerB(*b, nullptr);
    writerB.SetWorkingUserName("alice");
    std::string partition;
    ASSERT_EQ(S_OK, readerA.GetPartition(partition, "R1"));
    ASSERT_EQ(S_OK, writerB.Delete("R1"));
    ASSERT_EQ(S_OK, writerB.Add("Resistors", {"1"}, "R9", nullptr, 0, 0));
    ASSERT_EQ(S_OK, b->Save(nullptr, 0, 0));
    StringList pins;
    EXPECT_EQ(KELM_E_NO_SUCH_ITEM, readerA.GetPinNumbers(pins, "R1"));
    EXPECT_EQ(S_OK, readerA.GetPinNumbers(pins, "R9"));
    EXPECT_EQ(StringList{"1"}, pins);
    EXPECT_EQ(S_OK, readerA.GetPartition(partition, "R1"));
    EXPECT_EQ("", partition);
}

TEST_F(LibraryIndexes, SaveKeepsUntouchedLinesAndWritesWhatAFullWriteWould) {
    const std::string r3 = "{\"number\":\"R3\",\"pins\":[],\"name\":\"\",\"label\":\"\",\"nameDefault\":0,\"labelDefault\":0,"
                           "\"description\":\"\",\"type\":\"\",\"time\":0,\"cells\":[],\"symbols\":[]}\n";
    lib.WriteFile("PartsDBLibs/Resistors.pdb",
                  "{\"kelm\":\"parts\",\"version\":1,\"lines\":3}\n{ \"number\":\"R1\" }\n{\"number\":\"R2\",\"time\":01}\n" + r3);
    auto session = lib.Open();
    KelmPart parts(*session, nullptr);
    parts.SetWorkingUserName("alice");
    ASSERT_EQ(S_OK, parts.SetDesc("a \"quoted\" text", "R2"));
    ASSERT_EQ(S_OK, session->Save(nullptr, 0, 0));
    const std::string saved = lib.ReadFile("PartsDBLibs/Resistors.pdb");
    PartMap records;
    std::string error;
    ASSERT_TRUE(ParsePartFile(saved, "Resistors.pdb", "Resistors", records, error)) << error;
    EXPECT_EQ(SerializePartFile(records), saved);
    EXPECT_EQ("a \"quoted\" text", records["R2"].description);
    EXPECT_EQ(1, records["R2"].timestamp);
    EXPECT_NE(std::string::npos, saved.find(r3));
}

TEST_F(LibraryIndexes, CellsNamedAloneAreFoundInConfigurationOrderAcrossEdits) {
    auto session = lib.Open();
    KelmCell cells(*session, nullptr, nullptr);
    cells.SetWorkingUserName("alice");
    ASSERT_EQ(S_OK, cells.Add({"1", "2"}, "C1", "Thru", 1, 0, 0, 0));
    StringList found;
    int type = 0;
    ASSERT_EQ(S_OK, cells.GetPartitionNames(found, "C1"));
    EXPECT_EQ(StringList{"Thru"}, found);
    ASSERT_EQ(S_OK, cells.Add({"2", "1"}, "C1", "Smd", 2, 0, 0, 0));
    EXPECT_EQ(S_OK, cells.GetPartitionNames(found, "C1"));
    EXPECT_EQ((StringList{"Smd", "Thru"}), found);
    EXPECT_EQ(S_OK, cells.GetType(type, "C1", ""));
    EXPECT_EQ(2, type);
    ASSERT_EQ(S_OK, cells.Delete("C1", "Smd"));
    EXPECT_EQ(S_OK, cells.GetPartitionNames(found, "C1"));
    EXPECT_EQ(StringList{"Thru"}, found);
    EXPECT_EQ(S_OK, cells.GetType(type, "C1", ""));
    EXPECT_EQ(1, type);
    EXPECT_EQ(KELM_E_NO_SUCH_ITEM, cells.GetPinNames(found, "C9"));
}

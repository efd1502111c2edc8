// The library-wide lookups: part types found by a scan of the part files (every line form both readers take, every
// damage both catch, a file replaced by another session scanned again), cells found in configuration order across
// edits, and saves that keep untouched lines yet stay canonical.
#include <gtest/gtest.h>
#include <filesystem>
#include <random>
#include "LibraryAnswers.h"
#include "store/items/KelmCell.h"
#include "store/items/KelmSchemePartition.h"
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
    // Repeats far down a long list, where the readers look names up in an index.
    std::string longCells = "\"C3\"", symbols = "{\"spec\":\"G:S0\"}";
    for (int i = 4; i < 200; ++i) {
        longCells += ",\"C" + std::to_string(i) + "\"";
        symbols += ",{\"spec\":\"G:S" + std::to_string(i) + "\"}";
    }
    struct Case { const char* what; std::string body; HRESULT status; std::string said = ""; };
    const std::vector<Case> cases = {
        {"as the store writes it", canonical + "{\"number\":\"B\"}\n", S_OK},
        {"blanks, escapes, CRLF", "{ \"number\" : \"A\", \"description\":\"\\\"x\\\"\", \"cells\":[\"C2\",\"C3\"] }\r\n{\"number\":\"B\"}\n", S_OK},
        {"leading zero", "{\"number\":\"A\",\"time\":007,\"cells\":[\"C2\",\"C3\"]}\n{\"number\":\"B\"}\n", S_OK},
        {"two-byte escape", "{\"number\":\"A\",\"cells\":[\"C2\",\"C3\"]}\n{\"number\":\"\\u00e9\"}\n", S_OK},
        {"unknown field", "{\"number\":\"A\",\"colour\":\"red\"}\n{\"number\":\"B\"}\n", KELM_E_CORRUPT},
        {"out of order", "{\"number\":\"B\"}\n{\"number\":\"A\"}\n", KELM_E_CORRUPT},
        {"twice", "{\"number\":\"A\"}\n{\"number\":\"A\"}\n", KELM_E_CORRUPT},
        {"no number first", "{\"name\":\"A\",\"number\":\"A\"}\n{\"number\":\"B\"}\n", KELM_E_CORRUPT},
        {"too many lines", "{\"number\":\"A\"}\n{\"number\":\"B\"}\n{\"number\":\"C\"}\n", KELM_E_CORRUPT},
        {"number too big", "{\"number\":\"A\",\"time\":99999999999}\n{\"number\":\"B\"}\n", KELM_E_CORRUPT},
        {"twenty digits", "{\"number\":\"A\",\"time\":18446744073709551621}\n{\"number\":\"B\"}\n", KELM_E_CORRUPT},  // 2^64 + 5
        {"fraction", "{\"number\":\"A\",\"time\":1.5}\n{\"number\":\"B\"}\n", KELM_E_CORRUPT},
        {"escape beyond one byte", "{\"number\":\"\\u0141\"}\n{\"number\":\"B\"}\n", KELM_E_CORRUPT},
        {"cell twice", "{\"number\":\"A\",\"cells\":[\"C\",\"C\"]}\n{\"number\":\"B\"}\n", KELM_E_CORRUPT},
        {"symbol twice", "{\"number\":\"A\",\"symbols\":[{\"spec\":\"S\"},{\"spec\":\"S\"}]}\n{\"number\":\"B\"}\n", KELM_E_CORRUPT},
        {"control byte", canonical.substr(0, 30) + "\x01" + canonical.substr(31) + "{\"number\":\"B\"}\n", KELM_E_CORRUPT},
        {"cut short", canonical, KELM_E_CORRUPT},
        {"long lists", "{\"number\":\"A\",\"cells\":[" + longCells + "],\"symbols\":[" + symbols + "]}\n{\"number\":\"B\"}\n", S_OK},
        {"cell twice far down", "{\"number\":\"A\",\"cells\":[" + longCells + ",\"C150\"]}\n{\"number\":\"B\"}\n", KELM_E_CORRUPT,
         "a cell listed twice"},
        {"symbol twice far down", "{\"number\":\"A\",\"symbols\":[" + symbols + ",{\"spec\":\"G:S7\"}]}\n{\"number\":\"B\"}\n",
         KELM_E_CORRUPT, "symbol \"G:S7\" listed twice"},
    };
    for (const Case& c : cases) {
        lib.WriteFile("PartsDBLibs/Caps.pdb", kHeader2 + c.body);
        auto session = lib.Open(1);
        KelmPart parts(*session, nullptr);
        KelmCell cells(*session, nullptr, nullptr);
        std::string partition;
        StringList users, all;
        const auto expect = [&](HRESULT status) {  // the same status and error from each reader
            EXPECT_EQ(c.status, status) << c.what;
            if (c.status == S_OK) return;
            for (const std::string& said : {std::string("Caps.pdb, line "), c.said})
                EXPECT_NE(std::string::npos, session->LastErrorText().find(said)) << c.what;
        };
        expect(parts.GetPartsInPartition(all, "Caps"));  // the full read
        expect(parts.GetPartition(partition, "A"));      // the library-wide scan
        expect(cells.GetPartNumbers(users, "C3"));
        if (c.status == S_OK) {
            EXPECT_EQ("Caps", partition) << c.what;
            EXPECT_EQ(StringList{"A"}, users) << c.what;
        }
    }
    // A damaged cell catalog is "corrupt" too when a lookup derives its index.
    lib.WriteFile("CellDBLibs/Smd.cells", "{\"kelm\":\"cells\",\"version\":1,\"lines\":1}\n{\"cell\":\"X\",\"pins\":[}\n");
    StringList holders;
    EXPECT_EQ(KELM_E_CORRUPT, KelmCell(*lib.Open(1), nullptr, nullptr).GetPartitionNames(holders, "X"));
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
    auto holders = [&] {
        StringList found = {"stale"};  // replaced, not added to
        EXPECT_EQ(S_OK, cells.GetPartitionNames(found, "C1"));
        return found;
    };
    int type = 0;
    ASSERT_EQ(S_OK, cells.Add({"1", "2"}, "C1", "Thru", 1, 0, 0, 0));
    EXPECT_EQ(StringList{"Thru"}, holders());
    ASSERT_EQ(S_OK, cells.Add({"2", "1"}, "C1", "Smd", 2, 0, 0, 0));
    EXPECT_EQ((StringList{"Smd", "Thru"}), holders());
    EXPECT_EQ(S_OK, cells.GetType(type, "C1", ""));
    EXPECT_EQ(2, type);
    ASSERT_EQ(S_OK, cells.Delete("C1", "Smd"));
    EXPECT_EQ(StringList{"Thru"}, holders());
    EXPECT_EQ(S_OK, cells.GetType(type, "C1", ""));
    EXPECT_EQ(1, type);
    StringList found;
    EXPECT_EQ(KELM_E_NO_SUCH_ITEM, cells.GetPinNames(found, "C9"));
}
// ---------------------------------------------------------------- the index on disk
namespace {
// A library whose content comes from a seed: part types in three part partitions using cells of two cell partitions
// (and cells that are nowhere), symbols in one symbol partition.
class IndexedLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        lib.AddPartitions({"PartsDBLibs\\A.pdb", "PartsDBLibs\\B.pdb", "PartsDBLibs\\C.pdb", "CellDBLibs\\Smd.cel",
                           "CellDBLibs\\Thru.cel", "SymbolLibs\\Gates"});
        for (const char* path : {"PartsDBLibs\\A.pdb", "PartsDBLibs\\B.pdb", "PartsDBLibs\\C.pdb", "CellDBLibs\\Smd.cel",
                                 "CellDBLibs\\Thru.cel"})
            lib.Reserve(path, "alice");
        for (const char* symbol : {"AND2", "OR2", "INV"}) lib.WriteFile("SymbolLibs/Gates/sym/" + std::string(symbol) + ".1", SerializeSymbolFile(symbol, {"A"}));
        std::mt19937 random(1234);
        auto session = lib.Open();
        KelmPart parts(*session, nullptr);
        KelmCell cells(*session, nullptr, nullptr);
        parts.SetWorkingUserName("alice");
        cells.SetWorkingUserName("alice");
        for (int c = 0; c < 12; ++c) {
            const std::string cell = "CELL" + std::to_string(c);
            const StringList pins = {"1", std::to_string(c % 3 + 2)};
            ASSERT_TRUE(c % 3 == 2 || cells.Add(pins, cell, "Smd", 0, 0, 0, 0) == S_OK);
            ASSERT_TRUE(c % 2 == 1 || cells.Add(pins, cell, "Thru", 0, 0, 0, 0) == S_OK);
        }
        for (int p = 0; p < 60; ++p) {
            const std::string number = "P" + std::to_string(p), partition = std::string(1, "ABC"[random() % 3]);
            ASSERT_EQ(S_OK, parts.Add(partition, {"1"}, number, nullptr, 0, 0));
            for (unsigned c = random() % 3; c > 0; --c) parts.AddCell("CELL" + std::to_string(random() % 14), number);
        }
        ASSERT_EQ(S_OK, session->Save(nullptr, 0, 0)) << session->LastErrorText();
        expected = kelm::testing::AnswersFromFiles(lib.File());
        std::filesystem::remove(lib.Path("lib.index/Library.idx"));  // merged again, as it is now, by the next lookup
        kelm::testing::AnswersOf(*lib.Open(1), expected);
        for (const char* file : kIndexFiles) pristine[file] = lib.ReadFile(file);
    }
    // Every answer of a new session equals the full scan, and so do those of the session after it (which finds
    // whatever the first wrote back).
    void ExpectAnswersOfAFullScan(const std::string& what) {
        for (int session = 0; session < 2; ++session) {
            auto server = lib.Open(1);
            EXPECT_EQ(expected, kelm::testing::AnswersOf(*server, expected)) << what << ", session " << session;
        }
    }
    void RestoreIndex() {
        for (const auto& [file, bytes] : pristine) lib.WriteFile(file, bytes);
    }
    static constexpr const char* kIndexFiles[] = {"lib.index/Library.idx", "lib.index/PartsDBLibs/A.pdb.idx", "lib.index/PartsDBLibs/B.pdb.idx",
                                                  "lib.index/PartsDBLibs/C.pdb.idx", "lib.index/CellDBLibs/Smd.cells.idx",
                                                  "lib.index/CellDBLibs/Thru.cells.idx"};
    TempLibrary lib;
    kelm::testing::LibraryAnswers expected;
    std::map<std::string, std::string> pristine;
};
}  // namespace

TEST_F(IndexedLibrary, AnswersEqualAFullScanWhateverBecameOfTheIndex) {
    for (const auto& [file, bytes] : pristine) ASSERT_GT(bytes.size(), 80u) << file << " was not written by the save";
    ExpectAnswersOfAFullScan("as saved");
    for (const char* file : kIndexFiles) std::filesystem::remove(lib.Path(file) + (file == kIndexFiles[0] ? ".unused" : ""));
    ExpectAnswersOfAFullScan("the library-wide index alone");  // which the partitions' indexes are not needed for
    for (const char* file : kIndexFiles) EXPECT_EQ(file == kIndexFiles[0], std::filesystem::exists(lib.Path(file))) << file;
    std::filesystem::remove_all(lib.Path("lib.index"));
    ExpectAnswersOfAFullScan("index folder deleted");
    for (const auto& [file, bytes] : pristine) {
        for (const std::size_t length : {std::size_t{0}, std::size_t{7}, std::size_t{80}, bytes.size() / 2, bytes.size() - 1}) {
            RestoreIndex();
            lib.WriteFile(file, bytes.substr(0, length));
            ExpectAnswersOfAFullScan(file + " cut to " + std::to_string(length));
        }
        for (std::size_t offset = 0; offset < bytes.size(); offset += bytes.size() / 41 + 1) {
            RestoreIndex();
            std::string damaged = bytes;
            damaged[offset] = static_cast<char>(damaged[offset] ^ (1 << (offset % 8)));
            lib.WriteFile(file, damaged);
            ExpectAnswersOfAFullScan(file + " changed at " + std::to_string(offset));
        }
    }
    // The valid index of another partition in the place of one.
    RestoreIndex();
    lib.WriteFile("lib.index/PartsDBLibs/A.pdb.idx", pristine["lib.index/PartsDBLibs/B.pdb.idx"]);
    ExpectAnswersOfAFullScan("index of B as that of A");
}

TEST_F(IndexedLibrary, APartitionFileChangedBehindTheStoreIsScannedAgainAlone) {
    auto reader = lib.Open(1);
    EXPECT_EQ(expected, kelm::testing::AnswersOf(*reader, expected));
    // As a checkout or a restored backup would: other part types, other cells.
    PartMap parts;
    parts["P7"].cells = {"CELL13"};
    parts["NEW"].cells = {"CELL0", "CELL13"};
    lib.WriteFile("PartsDBLibs/B.pdb", SerializePartFile(parts));
    CellMap cells;
    cells["CELL0"].pins = {"1", "2"};
    cells["ONLY"].pins = {"x"};
    lib.WriteFile("CellDBLibs/Thru.cells", SerializeCellCatalog(cells));
    lib.WriteFile("SymbolLibs/Gates/sym/XOR.1", SerializeSymbolFile("XOR", {"A"}));
    const auto indexStamps = [&] { return std::pair(platform::StampOf(lib.Path("lib.index/PartsDBLibs/A.pdb.idx")),
                                                    platform::StampOf(lib.Path("lib.index/Library.idx"))); };
    const auto before = indexStamps();
    expected = kelm::testing::AnswersFromFiles(lib.File(), {"NOWHERE", "P7", "NEW", "ONLY"});
    ExpectAnswersOfAFullScan("partition files replaced");
    EXPECT_EQ(before, indexStamps());
    // A session that read the library before sees the change once it reloads.
    ASSERT_EQ(S_OK, reader->Load(nullptr, 1));
    EXPECT_EQ(expected, kelm::testing::AnswersOf(*reader, expected));
}

TEST_F(IndexedLibrary, EditsRewriteTheIndexOfWhatTheyChangeOnly) {
    auto stamps = [&] {
        std::map<std::string, platform::FileStamp> now;
        for (const char* file : kIndexFiles) now[file] = platform::StampOf(lib.Path(file));
        return now;
    };
    const auto before = stamps();
    auto session = lib.Open();
    KelmSchemePartition partitions(*session);
    KelmPart parts(*session, nullptr);
    parts.SetWorkingUserName("alice");
    ASSERT_EQ(S_OK, partitions.AddPartition("PartsDBLibs\\D.pdb", 1));
    ASSERT_EQ(S_OK, session->Save(nullptr, 0, 0));
    EXPECT_EQ(before, stamps());
    std::string holder;
    ASSERT_EQ(S_OK, parts.GetPartition(holder, "P0"));
    ASSERT_EQ(S_OK, parts.Delete("P0"));
    ASSERT_EQ(S_OK, session->Save(nullptr, 0, 0));
    auto after = stamps();
    const std::string changed = "lib.index/PartsDBLibs/" + holder + ".pdb.idx";
    EXPECT_NE(before.at(changed), after.at(changed));
    after[changed] = before.at(changed);
    EXPECT_EQ(before, after);
    expected = kelm::testing::AnswersFromFiles(lib.File());
    ExpectAnswersOfAFullScan("after the delete");
}

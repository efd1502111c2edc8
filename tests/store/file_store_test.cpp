// The file-backed store, one session at a time: the operations and statuses the two-session model run does not reach
// (schemes, item fields, padstacks, symbols), read-only refusals, lazy loading and what Save writes.
#include <gtest/gtest.h>
#include <filesystem>
#include "platform/Files.h"
#include "store/file/FileStore.h"
#include "store/file/LibraryTools.h"
#include "store/items/KelmCell.h"
#include "store/items/KelmPart.h"
#include "store/items/KelmSchemePartition.h"
#include "store/items/KelmSymbol.h"
#include "support/TempLibrary.h"
using namespace kelm;
using namespace kelm::store;
using kelm::testing::TempLibrary;
namespace {
const std::string kParts = "PartsDBLibs\\Resistors.pdb", kCaps = "PartsDBLibs\\Caps.pdb", kSmd = "CellDBLibs\\Smd.cel";
const std::string kThru = "CellDBLibs\\Thru.cel", kGates = "SymbolLibs\\Gates";
class FileStore : public ::testing::Test {
protected:
    void SetUp() override {
        parts.SetWorkingUserName("alice");
        cells.SetWorkingUserName("alice");
    }
    TempLibrary lib;
    std::unique_ptr<KelmServer> server = [this] {
        lib.AddPartitions({kParts, kCaps, kSmd, kThru, kGates});
        for (const std::string& path : {kParts, kSmd, kThru}) lib.Reserve(path, "alice");
        return lib.Open();
    }();
    KelmSchemePartition partitions{*server};
    KelmPart parts{*server, nullptr};
    KelmCell cells{*server, nullptr, nullptr};
};
}  // namespace

TEST(FileStoreSession, WorksOnlyOnALoadedLibraryAndABackend) {
    TempLibrary lib;
    KelmServer server(nullptr, CreateFileStoreBackend());
    KelmSchemePartition partitions(server);
    StringList list;
    EXPECT_EQ(KELM_E_NOT_LOADED, partitions.GetSchemes(list));
    EXPECT_EQ(KELM_E_NOT_LOADED, server.Save(nullptr, 0, 0));
    EXPECT_EQ(KELM_E_IO, server.Load(lib.Path("missing.qvm").c_str(), 0));
    EXPECT_NE(std::string::npos, server.LastErrorText().find("missing.qvm"));
    EXPECT_EQ(KELM_E_BAD_ARGUMENT, server.Load(lib.File().c_str(), 2));
    EXPECT_EQ(S_OK, server.Load(lib.File().c_str(), 0));
    EXPECT_EQ(S_OK, partitions.GetSchemes(list));
    EXPECT_EQ(KELM_E_BAD_ARGUMENT, server.Save(lib.Path("other.qvm").c_str(), 0, 0));
    server.Close();
    EXPECT_EQ(KELM_E_NOT_LOADED, partitions.GetSchemes(list));
    KelmServer empty(nullptr, std::make_shared<StoreBackend>());
    EXPECT_EQ(KELM_E_STORE_UNAVAILABLE, empty.Init());
    EXPECT_EQ(KELM_E_STORE_UNAVAILABLE, empty.Load(lib.File().c_str(), 0));
}

TEST_F(FileStore, SchemesAreFoundWithoutRegardToCaseAndKeepTheirEntriesAsCreated) {
    StringList list;
    std::string name;
    EXPECT_EQ(S_OK, partitions.AddSearchScheme("Work", {"cellDBlibs\\smd.CEL", kParts}, 3, 0));
    EXPECT_EQ(S_OK, partitions.GetSchemePartitionList("WORK", list));
    EXPECT_EQ((StringList{kSmd, kParts}), list);
    EXPECT_EQ(kItemExistsOrMissing, partitions.AddSearchScheme("work", {}, 0, 0));
    EXPECT_EQ(KELM_E_UNSAFE_PATH, partitions.AddSearchScheme("Bad", {"PartsDBLibs\\..\\x.pdb"}, 0, 0));
    EXPECT_EQ(KELM_E_NO_SUCH_SCHEME, partitions.GetSchemePartitionList("None", list));
    EXPECT_EQ(kItemExistsOrMissing, partitions.DeleteScheme("None"));
    EXPECT_EQ(S_OK, partitions.DeleteScheme("(Default)"));
    int protection = 0;
    EXPECT_EQ(KELM_E_NO_DEFAULT_SCHEME, partitions.GetDefaultSearchSchemeName(name));
    EXPECT_EQ(KELM_E_NO_DEFAULT_SCHEME, partitions.GetDefaultSearchScheme(list));
    EXPECT_EQ(KELM_E_NO_DEFAULT_SCHEME, partitions.GetDefaultSchemeProtection(protection));
}

TEST_F(FileStore, PartitionNamesMustNameOneInsideTheFolder) {
    partitions.InitPartitionType(kPartitionTypePart);
    EXPECT_EQ(kItemExistsOrMissing, partitions.AddPartition("resistors", 1));
    for (const std::string bad : {"PartsDBLibs\\..\\..\\x.pdb", "/etc/passwd", "c:evil", "PartsDBLibs\\COM1.pdb"})
        EXPECT_EQ(KELM_E_UNSAFE_PATH, partitions.AddPartition(bad, 1)) << bad;
    EXPECT_EQ(KELM_E_UNSAFE_PATH, parts.Add("..\\..\\etc", {}, "P1", nullptr, 0, 0));
    EXPECT_EQ(KELM_E_UNSAFE_PATH, SymbolFileAdd(lib.File(), "..", "X", {}));
    EXPECT_EQ(KELM_E_UNSAFE_PATH, SymbolFileAdd(lib.File(), "Gates", "..\\..\\x", {}));
    partitions.InitPartitionType(kPartitionTypeNone);
    EXPECT_EQ(KELM_E_BAD_ARGUMENT, partitions.AddPartition("Loose", 1));
}

TEST_F(FileStore, ADeletedPartitionsContainerMovesToDeletedOnSave) {
    partitions.SetWorkingUserName("bob");
    EXPECT_EQ(KELM_E_RESERVED_BY_OTHER, partitions.DeletePartition(kParts));
    EXPECT_NE(std::string::npos, server->LastErrorText().find("alice"));
    EXPECT_EQ(KELM_E_BAD_ARGUMENT, partitions.ReservePartition(kCaps, ""));
    EXPECT_EQ(kItemExistsOrMissing, partitions.DeletePartition("PartsDBLibs\\None.pdb"));
    EXPECT_EQ(S_OK, partitions.DeletePartition(kCaps));
    EXPECT_EQ(S_OK, partitions.DeletePartition(kGates));
    EXPECT_TRUE(platform::StampOf(lib.Path("PartsDBLibs/Caps.pdb")).exists);  // not before Save
    ASSERT_EQ(S_OK, server->Save(nullptr, 0, 0));
    EXPECT_FALSE(platform::StampOf(lib.Path("PartsDBLibs/Caps.pdb")).exists);
    EXPECT_FALSE(platform::IsFolder(lib.Path("SymbolLibs/Gates")));
    int moved = 0;  // Deleted/<stamp>/PartsDBLibs/Caps.pdb and Deleted/<stamp>/SymbolLibs/Gates
    for (const auto& entry : std::filesystem::recursive_directory_iterator(lib.Path("Deleted")))
        moved += entry.path().filename() == "Caps.pdb" || (entry.path().filename() == "Gates" && entry.is_directory());
    EXPECT_EQ(2, moved);
}

// Its old file goes to Deleted at the save: the numbers in it may go elsewhere in that same save.
TEST_F(FileStore, APartitionDeletedAndAddedAgainBeforeTheSaveIsEmpty) {
    ASSERT_EQ(S_OK, parts.Add("Resistors", {}, "R1", nullptr, 0, 0));
    ASSERT_EQ(S_OK, server->Save(nullptr, 0, 0));
    partitions.SetWorkingUserName("alice");
    ASSERT_EQ(S_OK, partitions.ReservePartition(kCaps, "alice"));
    EXPECT_EQ(S_OK, partitions.DeletePartition(kParts));
    EXPECT_EQ(S_OK, parts.Add("Caps", {}, "R1", nullptr, 0, 0));
    EXPECT_EQ(S_OK, partitions.AddPartition(kParts, 1));
    EXPECT_EQ(S_OK, server->Save(nullptr, 0, 0)) << server->LastErrorText();
    EXPECT_EQ(std::string::npos, lib.ReadFile("PartsDBLibs/Resistors.pdb").find("R1"));
    EXPECT_NE(std::string::npos, lib.ReadFile("PartsDBLibs/Caps.pdb").find("\"R1\""));
}
TEST_F(FileStore, PartTypesAreEditedByTheHolderOnlyAndReferToACellOrSymbolOnce) {
    EXPECT_EQ(S_OK, parts.Add("Resistors", {"1", "2"}, "R1", nullptr, 0, 0));
    EXPECT_EQ(KELM_E_BAD_ARGUMENT, parts.Add("Resistors", {}, "", nullptr, 0, 0));
    EXPECT_EQ(KELM_E_UNSAFE_PATH, parts.Add("Resistors", {}, "R\x01", nullptr, 0, 0));
    EXPECT_EQ(KELM_E_RESERVED_BY_OTHER, KelmPart(*server, nullptr).SetName("x", "R1"));
    EXPECT_EQ(KELM_E_NO_SUCH_ITEM, parts.SetName("x", "R9"));
    for (const char* cell : {"RES0603", "RES0805"}) EXPECT_EQ(S_OK, parts.AddCell(cell, "R1"));
    EXPECT_EQ(kAlreadyReferenced, parts.AddCell("RES0603", "R1"));
    EXPECT_EQ(S_OK, parts.AddSymbol("Gates:RES", {"A", "B"}, "R1"));
    EXPECT_EQ(kAlreadyReferenced, parts.AddSymbol("Gates:RES", {}, "R1"));
    EXPECT_EQ(KELM_E_UNSAFE_PATH, parts.AddSymbol("Gates:R\x7F", {}, "R1"));
    std::string partition = "stale";
    EXPECT_EQ(S_OK, parts.GetPartition(partition, "r1"));  // part numbers compare exactly
    EXPECT_EQ("", partition);
    ASSERT_EQ(S_OK, server->Save(nullptr, 0, 0)) << server->LastErrorText();
    PartRecord record;
    ASSERT_EQ(S_OK, KelmPart(*lib.Open(1), nullptr).GetRecord("R1", record));
    EXPECT_EQ((StringList{"RES0603", "RES0805"}), record.cells);
    ASSERT_EQ(1u, record.symbols.size());
    EXPECT_EQ((StringList{"A", "B"}), record.symbols[0].pins);
    EXPECT_EQ(S_OK, parts.Delete("R1"));
    EXPECT_EQ(KELM_E_NO_SUCH_ITEM, parts.SetName("x", "R1"));
    // The part type edited last is not found once its partition is deleted.
    EXPECT_EQ(S_OK, parts.Add("Resistors", {"1", "2"}, "R2", nullptr, 0, 0));
    KelmSchemePartition partitions(*server);
    partitions.InitPartitionType(kPartitionTypePart);
    partitions.SetWorkingUserName("alice");
    ASSERT_EQ(S_OK, partitions.DeletePartition("Resistors"));
    EXPECT_EQ(KELM_E_NO_SUCH_ITEM, parts.SetName("x", "R2"));
}

TEST_F(FileStore, CellsKeepOnePinSetPerNameAndPadstacksOfTheirPartition) {
    EXPECT_EQ(S_OK, cells.Add({"1", "2"}, "C0603", "Thru", 0, 100, 0, 0));
    EXPECT_EQ(S_OK, cells.Add({"2", "1"}, "C0603", "Smd", 4, 200, 0, 0));  // same pins, other order
    int type = -1;
    EXPECT_EQ(S_OK, cells.GetType(type, "C0603", "Smd"));
    EXPECT_EQ(4, type);
    EXPECT_EQ(KELM_E_NO_SUCH_ITEM, cells.GetType(type, "None", "Smd"));
    EXPECT_EQ(KELM_E_NO_SUCH_ITEM, cells.ReplacePins({}, "None"));
    // Named alone, a cell is the working partition's, else the first one's.
    EXPECT_EQ(KELM_E_BAD_ARGUMENT, cells.AddPadstack("", "C0603", nullptr));
    for (const char* padstack : {"P1", "P1", "P0"}) EXPECT_EQ(S_OK, cells.AddPadstack(padstack, "C0603", nullptr));
    StringList list;
    EXPECT_EQ(S_OK, cells.GetPadstackNames(list, "C0603", nullptr));
    EXPECT_EQ((StringList{"P1", "P0"}), list);
    cells.SetWorkingPartition("Thru");
    EXPECT_EQ(S_OK, cells.GetPadstackNames(list, "C0603", nullptr));
    EXPECT_TRUE(list.empty());
    KelmCell bobs(*server, nullptr, nullptr);
    bobs.SetWorkingUserName("bob");
    EXPECT_EQ(KELM_E_RESERVED_BY_OTHER, bobs.AddPadstack("P", "C0603", nullptr));
    EXPECT_EQ(KELM_E_RESERVED_BY_OTHER, bobs.Delete("C0603", "Smd"));
    EXPECT_EQ(S_OK, cells.Delete("C0603", "Smd"));
    EXPECT_EQ(kItemExistsOrMissing, cells.Delete("C0603", "Smd"));
}

TEST_F(FileStore, SymbolsAreNamedPartitionColonSymbolAndSeenAgainOnRefresh) {
    KelmSymbol symbols(*server, nullptr, nullptr, kPartitionTypeSymbol);
    StringList list = {"stale"};
    EXPECT_EQ(S_OK, symbols.GetPartitionNames(list, "Nowhere:AND2"));
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(KELM_E_NO_SUCH_PARTITION, symbols.GetPinNames(list, ":AND2"));
    EXPECT_EQ(KELM_E_BAD_ARGUMENT, symbols.GetPinNames(list, "AND2"));
    EXPECT_EQ(KELM_E_NO_SUCH_ITEM, symbols.GetPinNames(list, "Gates:BAD"));
    lib.WriteFile("SymbolLibs/Gates/sym/BAD.1", "{\"kelm\":\"symbol\",\"version\":1,\"lines\":2}\n{\"name\":\"BAD\"}\n{\"name\":\"BAD\"}\n");
    EXPECT_EQ(S_OK, partitions.RefreshPartition(kGates));
    EXPECT_EQ(KELM_E_CORRUPT, symbols.GetPinNames(list, "Gates:BAD"));
    EXPECT_NE(std::string::npos, server->LastErrorText().find("BAD.1, line 3: a symbol file holds one symbol"))
        << server->LastErrorText();
}

TEST_F(FileStore, AReadOnlySessionRefusesEveryWrite) {
    auto reader = lib.Open(1);
    KelmSchemePartition readOnly(*reader);
    KelmPart readParts(*reader, nullptr);
    KelmCell readCells(*reader, nullptr, nullptr);
    for (const HRESULT status : {readOnly.ReservePartition(kCaps, "alice"), readOnly.UnReservePartition(kParts, "alice"),
                                 readOnly.AddPartition("PartsDBLibs\\New.pdb", 1), readOnly.DeletePartition(kCaps),
                                 readOnly.AddSearchScheme("S", {}, 0, 0), readOnly.DeleteScheme("(Default)"),
                                 readParts.Add("Resistors", {}, "R1", nullptr, 0, 0), readParts.Delete("R1"),
                                 readCells.Add({}, "C", "Smd", 0, 0, 0, 0), readCells.Delete("C", "Smd"),
                                 reader->Save(nullptr, 0, 0)})
        EXPECT_EQ(KELM_E_READ_ONLY, status);
}

TEST_F(FileStore, PartitionsAreReadOnFirstUseAndSaveWritesOnlyWhatChanged) {
    ASSERT_EQ(S_OK, parts.Add("Resistors", {"1"}, "R1", nullptr, 0, 0));
    ASSERT_EQ(S_OK, server->Save(nullptr, 0, 0));
    // A broken partition does not stop the library from loading, only its own use.
    lib.WriteFile("PartsDBLibs/Caps.pdb", "{\"kelm\":\"parts\",\"version\":1,\"lines\":2}\n{\"number\":\"A\"}\n");
    auto session = lib.Open();
    KelmPart reader(*session, nullptr);
    StringList list;
    EXPECT_EQ(S_OK, reader.GetPartsInPartition(list, "Resistors"));
    EXPECT_EQ(KELM_E_CORRUPT, reader.GetPartsInPartition(list, "Caps"));
    const platform::FileStamp config = platform::StampOf(lib.File());
    const platform::FileStamp resistors = platform::StampOf(lib.Path("PartsDBLibs/Resistors.pdb"));
    ASSERT_EQ(S_OK, cells.Add({"1"}, "C1", "Smd", 0, 0, 0, 0));
    ASSERT_EQ(S_OK, server->Save(nullptr, 0, 0));
    EXPECT_EQ(config, platform::StampOf(lib.File()));
    EXPECT_EQ(resistors, platform::StampOf(lib.Path("PartsDBLibs/Resistors.pdb")));
}

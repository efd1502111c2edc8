// The file-backed store, one session at a time: the operations and statuses
// the two-session model run does not reach (schemes, item fields, padstacks,
// symbols), read-only refusals, lazy loading and what Save writes.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/Files.h"
#include "store/file/FileStore.h"
#include "store/items/KelmCell.h"
#include "store/items/KelmPart.h"
#include "store/items/KelmSchemePartition.h"
#include "store/items/KelmSymbol.h"
#include "store/file/LibraryTools.h"
#include "support/TempLibrary.h"

using namespace kelm;
using namespace kelm::store;
using kelm::testing::TempLibrary;

namespace {
const std::string kParts = "PartsDBLibs\\Resistors.pdb";
const std::string kCaps = "PartsDBLibs\\Caps.pdb";
const std::string kSmd = "CellDBLibs\\Smd.cel";
const std::string kThru = "CellDBLibs\\Thru.cel";
const std::string kGates = "SymbolLibs\\Gates";

class FileStore : public ::testing::Test {
protected:
    void SetUp() override {
        lib.AddPartitions({kParts, kCaps, kSmd, kThru, kGates});
        lib.Reserve(kParts, "alice");
        lib.Reserve(kSmd, "alice");
        lib.Reserve(kThru, "alice");
        server = lib.Open();
    }
    TempLibrary lib;
    std::unique_ptr<KelmServer> server;
};
}  // namespace

TEST(FileStoreSession, LoadRefusesMissingFilesBadModesAndWorksOnlyWhenLoaded) {
    TempLibrary lib;
    KelmServer server(nullptr, CreateFileStoreBackend());
    KelmSchemePartition partitions(server);
    StringList list;
    EXPECT_EQ(KELM_E_NOT_LOADED, partitions.GetSchemes(list));
    EXPECT_EQ(KELM_E_NOT_LOADED, server.Load(nullptr, 1));
    EXPECT_EQ(KELM_E_NOT_LOADED, server.Save(nullptr, 0, 0));
    EXPECT_EQ(KELM_E_IO, server.Load(lib.Path("missing.qvm").c_str(), 0));
    EXPECT_NE(std::string::npos, server.LastErrorText().find("missing.qvm"));
    EXPECT_EQ(KELM_E_BAD_ARGUMENT, server.Load(lib.File().c_str(), 2));
    EXPECT_EQ(S_OK, server.Load(lib.File().c_str(), 0));
    EXPECT_EQ(S_OK, partitions.GetSchemes(list));
    EXPECT_EQ(KELM_E_BAD_ARGUMENT, server.Save(lib.Path("other.qvm").c_str(), 0, 0));
    server.Close();
    EXPECT_EQ(KELM_E_NOT_LOADED, partitions.GetSchemes(list));
}

TEST_F(FileStore, SchemesAreAddedListedReplacedAndDeleted) {
    KelmSchemePartition partitions(*server);
    StringList list;
    std::string name;
    int protection = 0;
    ASSERT_EQ(S_OK, partitions.GetDefaultSearchSchemeName(name));
    EXPECT_EQ("(Default)", name);
    EXPECT_EQ(S_OK, partitions.GetDefaultSchemeProtection(protection));
    EXPECT_EQ(1, protection);
    // Entries are kept in order, with the spelling the partitions were created with.
    EXPECT_EQ(S_OK, partitions.AddSearchScheme("Work", {"cellDBlibs\\smd.CEL", kParts}, 3, 0));
    EXPECT_EQ(S_OK, partitions.GetSchemePartitionList("WORK", list));
    EXPECT_EQ((StringList{kSmd, kParts}), list);
    EXPECT_EQ(kItemExistsOrMissing, partitions.AddSearchScheme("work", {}, 0, 0));
    EXPECT_EQ(KELM_E_UNSAFE_PATH, partitions.AddSearchScheme("Bad", {"PartsDBLibs\\..\\x.pdb"}, 0, 0));
    EXPECT_EQ(KELM_E_NO_SUCH_SCHEME, partitions.GetSchemePartitionList("None", list));
    EXPECT_EQ(kItemExistsOrMissing, partitions.DeleteScheme("None"));
    EXPECT_EQ(S_OK, partitions.GetSchemes(list));
    EXPECT_EQ((StringList{"(Default)", "Work"}), list);

    // Deleting the default scheme leaves none; adding it again restores it.
    EXPECT_EQ(S_OK, partitions.DeleteScheme("(Default)"));
    EXPECT_EQ(KELM_E_NO_DEFAULT_SCHEME, partitions.GetDefaultSearchSchemeName(name));
    EXPECT_EQ(KELM_E_NO_DEFAULT_SCHEME, partitions.GetDefaultSearchScheme(list));
    EXPECT_EQ(KELM_E_NO_DEFAULT_SCHEME, partitions.GetDefaultSchemeProtection(protection));
    EXPECT_EQ(S_OK, partitions.AddSearchScheme("(Default)", {kGates}, 5, 1));
    EXPECT_EQ(S_OK, partitions.GetDefaultSearchScheme(list));
    EXPECT_EQ(StringList{kGates}, list);
}

TEST_F(FileStore, PartitionsAreNamedByPathOrBareNameWithoutRegardToCase) {
    KelmSchemePartition partitions(*server);
    StringList all;
    EXPECT_EQ(S_OK, partitions.GetAllPartitions(all, 1));
    EXPECT_EQ((StringList{kSmd, kThru, kCaps, kParts, kGates}), all);
    EXPECT_EQ(kItemExistsOrMissing, partitions.AddPartition("partsdblibs\\RESISTORS.PDB", 1));
    partitions.InitPartitionType(kPartitionTypePart);
    EXPECT_EQ(kItemExistsOrMissing, partitions.AddPartition("resistors", 1));
    EXPECT_EQ(S_OK, partitions.AddPartition("Diodes", 1));
    int count = -1;
    EXPECT_EQ(S_OK, partitions.GetNumObjectsInPartition("diodes", count));
    EXPECT_EQ(0, count);
    std::string holder = "x";
    EXPECT_EQ(S_OK, partitions.GetPartitionReservation("Resistors", holder));
    EXPECT_EQ("alice", holder);
    EXPECT_EQ(S_OK, partitions.GetPartitionReservation("PARTSDBLIBS\\resistors.pdb", holder));
    EXPECT_EQ("alice", holder);
    EXPECT_EQ(KELM_E_NO_SUCH_PARTITION, partitions.GetPartitionReservation("Nowhere", holder));
    partitions.InitPartitionType(kPartitionTypeNone);
    EXPECT_EQ(KELM_E_NO_SUCH_PARTITION, partitions.GetPartitionReservation("", holder));
    EXPECT_EQ(KELM_E_NO_SUCH_PARTITION, partitions.GetNumObjectsInPartition("Resistors", count));
    EXPECT_EQ(KELM_E_BAD_ARGUMENT, partitions.AddPartition("Loose", 1));
}

TEST_F(FileStore, PathsThatLeaveTheLibraryFolderAreRefused) {
    KelmSchemePartition partitions(*server);
    partitions.InitPartitionType(kPartitionTypePart);
    for (const std::string bad : {"PartsDBLibs\\..\\..\\x.pdb", "/etc/passwd", "c:evil"}) {
        EXPECT_EQ(KELM_E_UNSAFE_PATH, partitions.AddPartition(bad, 1)) << bad;
    }
    KelmPart parts(*server, nullptr);
    parts.SetWorkingUserName("alice");
    EXPECT_EQ(KELM_E_UNSAFE_PATH, parts.Add("..\\..\\etc", {}, "P1", nullptr, 0, 0));
    EXPECT_EQ(KELM_E_UNSAFE_PATH, SymbolFileAdd(lib.File(), "..", "X", {}));
    EXPECT_EQ(KELM_E_UNSAFE_PATH, SymbolFileAdd(lib.File(), "Gates", "..\\..\\x", {}));
}

TEST_F(FileStore, DeletingAPartitionMovesItsContainerToDeleted) {
    KelmSchemePartition partitions(*server);
    partitions.SetWorkingUserName("bob");
    EXPECT_EQ(KELM_E_RESERVED_BY_OTHER, partitions.DeletePartition(kParts));
    EXPECT_EQ(kItemExistsOrMissing, partitions.DeletePartition("PartsDBLibs\\None.pdb"));
    KelmPart parts(*server, nullptr);
    parts.SetWorkingUserName("alice");
    ASSERT_EQ(S_OK, parts.Add("Resistors", {"1"}, "R1", nullptr, 0, 0));
    ASSERT_EQ(S_OK, server->Save(nullptr, 0, 0));
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
    StringList all;
    partitions.GetAllPartitions(all, 1);
    EXPECT_EQ((StringList{kSmd, kThru, kParts}), all);
}

TEST_F(FileStore, ReservationsFollowTheHolderRules) {
    KelmSchemePartition partitions(*server);
    std::string holder;
    EXPECT_EQ(kAlreadyReservedByYou, partitions.ReservePartition(kParts, "ALICE"));
    EXPECT_EQ(KELM_E_RESERVED_BY_OTHER, partitions.ReservePartition(kParts, "bob"));
    EXPECT_NE(std::string::npos, server->LastErrorText().find("alice"));
    EXPECT_EQ(KELM_E_RESERVED_BY_OTHER, partitions.UnReservePartition(kParts, "bob"));
    EXPECT_EQ(S_OK, partitions.UnReservePartition(kParts, "Alice"));
    EXPECT_EQ(S_FALSE, partitions.UnReservePartition(kParts, "alice"));
    EXPECT_EQ(S_OK, partitions.ReservePartition(kParts, "bob"));
    EXPECT_EQ(KELM_E_BAD_ARGUMENT, partitions.ReservePartition(kCaps, ""));
    EXPECT_EQ(KELM_E_NO_SUCH_PARTITION, partitions.ReservePartition("PartsDBLibs\\None.pdb", "bob"));
    std::vector<Reservation> all;
    EXPECT_EQ(S_OK, partitions.GetReservations(all));
    ASSERT_EQ(3u, all.size());
    EXPECT_EQ(kSmd, all[0].partition);
    EXPECT_EQ(kParts, all[2].partition);
    EXPECT_EQ("bob", all[2].holder);
}

TEST_F(FileStore, PartTypesNeedTheHolderAndAreUniqueInTheLibrary) {
    KelmPart parts(*server, nullptr);
    parts.SetWorkingUserName("alice");
    const StringList pins{"1", "2"};
    EXPECT_EQ(S_OK, parts.Add("Resistors", pins, "R1", nullptr, 0, 0));
    EXPECT_EQ(kItemExistsOrMissing, parts.Add("resistors", pins, "R1", nullptr, 0, 0));
    EXPECT_EQ(KELM_E_NOT_RESERVED, parts.Add("Caps", pins, "C1", nullptr, 0, 0));
    EXPECT_EQ(KELM_E_NO_SUCH_PARTITION, parts.Add("None", pins, "C1", nullptr, 0, 0));
    EXPECT_EQ(KELM_E_BAD_ARGUMENT, parts.Add("Resistors", pins, "", nullptr, 0, 0));
    KelmPart anonymous(*server, nullptr);
    EXPECT_EQ(KELM_E_RESERVED_BY_OTHER, anonymous.SetName("x", "R1"));

    EXPECT_EQ(S_OK, parts.SetName("Resistor", "R1"));
    EXPECT_EQ(S_OK, parts.SetNameDefault(0, "R1"));
    EXPECT_EQ(S_OK, parts.SetLabel("R?", "R1"));
    EXPECT_EQ(S_OK, parts.SetLabelDefault(1, "R1"));
    EXPECT_EQ(S_OK, parts.SetDesc("1k \"carbon\"\tfilm", "R1"));
    EXPECT_EQ(S_OK, parts.SetType("Resistor", "R1"));
    EXPECT_EQ(S_OK, parts.SetTimestamp(1700000000, "R1"));
    EXPECT_EQ(S_OK, parts.AddCell("RES0603", "R1"));
    EXPECT_EQ(S_OK, parts.AddCell("RES0805", "R1"));
    EXPECT_EQ(kAlreadyReferenced, parts.AddCell("RES0603", "R1"));
    EXPECT_EQ(S_OK, parts.AddSymbol("Gates:RES", {"A", "B"}, "R1"));
    EXPECT_EQ(kAlreadyReferenced, parts.AddSymbol("Gates:RES", {}, "R1"));
    EXPECT_EQ(KELM_E_NO_SUCH_ITEM, parts.SetName("x", "R9"));
    EXPECT_EQ(KELM_E_NO_SUCH_ITEM, parts.AddCell("C", "R9"));

    std::string partition = "stale";
    EXPECT_EQ(S_OK, parts.GetPartition(partition, "R1"));
    EXPECT_EQ("Resistors", partition);
    EXPECT_EQ(S_OK, parts.GetPartition(partition, "r1"));  // part numbers compare exactly
    EXPECT_EQ("", partition);
    StringList list;
    EXPECT_EQ(S_OK, parts.GetPinNumbers(list, "R1"));
    EXPECT_EQ(pins, list);
    EXPECT_EQ(KELM_E_NO_SUCH_ITEM, parts.GetPinNumbers(list, "R9"));
    ASSERT_EQ(S_OK, server->Save(nullptr, 0, 0)) << server->LastErrorText();

    auto again = lib.Open(1);
    KelmPart reread(*again, nullptr);
    PartRecord record;
    ASSERT_EQ(S_OK, reread.GetRecord("R1", record));
    EXPECT_EQ("Resistors", record.partition);
    EXPECT_EQ("Resistor", record.name);
    EXPECT_EQ("R?", record.label);
    EXPECT_EQ(1, record.labelDefault);
    EXPECT_EQ("1k \"carbon\"\tfilm", record.description);
    EXPECT_EQ(1700000000, record.timestamp);
    EXPECT_EQ((StringList{"RES0603", "RES0805"}), record.cells);
    ASSERT_EQ(1u, record.symbols.size());
    EXPECT_EQ("Gates:RES", record.symbols[0].itemSpec);
    EXPECT_EQ((StringList{"A", "B"}), record.symbols[0].pins);
    EXPECT_EQ(S_OK, reread.GetPartsInPartition(list, "RESISTORS"));
    EXPECT_EQ(StringList{"R1"}, list);

    EXPECT_EQ(S_OK, parts.Delete("R1"));
    EXPECT_EQ(kItemExistsOrMissing, parts.Delete("R1"));
    EXPECT_EQ(KELM_E_NO_SUCH_ITEM, parts.SetName("x", "R1"));
    EXPECT_EQ(S_OK, parts.GetPartition(partition, "R1"));
    EXPECT_EQ("", partition);

    // The part type edited last is not found once its partition is deleted.
    EXPECT_EQ(S_OK, parts.Add("Resistors", pins, "R2", nullptr, 0, 0));
    KelmSchemePartition partitions(*server);
    partitions.InitPartitionType(kPartitionTypePart);
    partitions.SetWorkingUserName("alice");
    ASSERT_EQ(S_OK, partitions.DeletePartition("Resistors"));
    EXPECT_EQ(KELM_E_NO_SUCH_ITEM, parts.SetName("x", "R2"));
}

TEST_F(FileStore, CellsLiveInPartitionsAndKeepOnePinSetPerName) {
    KelmCell cells(*server, nullptr, nullptr);
    cells.SetWorkingUserName("alice");
    EXPECT_EQ(S_OK, cells.Add({"1", "2"}, "C0603", "Thru", 0, 100, 0, 0));
    EXPECT_EQ(S_OK, cells.Add({"2", "1"}, "C0603", "Smd", 0, 200, 0, 0));   // same pins, other order
    EXPECT_EQ(kItemExistsOrMissing, cells.Add({"1", "2"}, "C0603", "smd", 0, 0, 0, 0));
    EXPECT_EQ(S_OK, cells.Delete("C0603", "Smd"));
    EXPECT_EQ(kAlreadyReferenced, cells.Add({"1", "2", "3"}, "C0603", "Smd", 0, 0, 0, 0));
    EXPECT_EQ(S_OK, cells.Add({"1", "2"}, "C0603", "Smd", 4, 200, 0, 0));
    EXPECT_EQ(KELM_E_NO_SUCH_PARTITION, cells.Add({}, "X", "CellDBLibs\\Nowhere.cel", 0, 0, 0, 0));
    EXPECT_TRUE(cells.DoesCellExist("C0603", "Smd"));
    EXPECT_FALSE(cells.DoesCellExist("c0603", "Smd"));
    EXPECT_FALSE(cells.DoesCellExist("C0603", "Nowhere"));

    StringList list;
    EXPECT_EQ(S_OK, cells.GetPartitionNames(list, "C0603"));
    EXPECT_EQ((StringList{"Smd", "Thru"}), list);  // configuration order
    int type = -1;
    EXPECT_EQ(S_OK, cells.GetType(type, "C0603", "Smd"));
    EXPECT_EQ(4, type);
    EXPECT_EQ(KELM_E_NO_SUCH_ITEM, cells.GetType(type, "None", "Smd"));

    // Named alone, a cell is the working partition's, else the first one's.
    EXPECT_EQ(S_OK, cells.AddPadstack("P1", "C0603", nullptr));
    EXPECT_EQ(S_OK, cells.AddPadstack("P1", "C0603", nullptr));  // no duplicate
    EXPECT_EQ(S_OK, cells.AddPadstack("P0", "C0603", nullptr));
    EXPECT_EQ(S_OK, cells.GetPadstackNames(list, "C0603", nullptr));
    EXPECT_EQ((StringList{"P1", "P0"}), list);
    cells.SetWorkingPartition("Thru");
    EXPECT_EQ(S_OK, cells.GetPadstackNames(list, "C0603", nullptr));
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(S_OK, cells.ReplacePins({"A", "B"}, "C0603"));
    EXPECT_EQ(S_OK, cells.GetPinNames(list, "C0603"));
    EXPECT_EQ((StringList{"A", "B"}), list);
    EXPECT_EQ(S_OK, cells.SetTimestamp(300, "C0603", "Thru"));
    EXPECT_EQ(KELM_E_NO_SUCH_ITEM, cells.ReplacePins({}, "None"));
    EXPECT_EQ(kItemExistsOrMissing, cells.Delete("None", "Thru"));

    KelmCell bobs(*server, nullptr, nullptr);
    bobs.SetWorkingUserName("bob");
    EXPECT_EQ(KELM_E_RESERVED_BY_OTHER, bobs.Add({}, "X", "Smd", 0, 0, 0, 0));
    EXPECT_EQ(KELM_E_RESERVED_BY_OTHER, bobs.AddPadstack("P", "C0603", nullptr));
    EXPECT_EQ(KELM_E_RESERVED_BY_OTHER, bobs.Delete("C0603", "Smd"));


    ASSERT_EQ(S_OK, server->Save(nullptr, 0, 0)) << server->LastErrorText();
    auto again = lib.Open(1);
    KelmCell reread(*again, nullptr, nullptr);
    CellRecord record;
    ASSERT_EQ(S_OK, reread.GetRecord("C0603", "Thru", record));
    EXPECT_EQ((StringList{"A", "B"}), record.pins);
    EXPECT_EQ(300, record.timestamp);
    EXPECT_EQ(S_OK, reread.GetCellsInPartition(list, "CellDBLibs\\Smd.cel"));
    EXPECT_EQ(StringList{"C0603"}, list);
}

TEST_F(FileStore, SymbolsAreTheSymbolFilesOfAPartition) {
    ASSERT_EQ(S_OK, SymbolFileAdd(lib.File(), "Gates", "AND2", {"A", "B", "Y"}));
    ASSERT_EQ(S_OK, SymbolFileAdd(lib.File(), "Gates", "INV", {"A", "Y"}));
    auto session = lib.Open(1);
    KelmSymbol symbols(*session, nullptr, nullptr, kPartitionTypeSymbol);
    StringList list;
    EXPECT_EQ(S_OK, symbols.GetSymbolsInPartition(list, "gates"));
    EXPECT_EQ((StringList{"Gates:AND2", "Gates:INV"}), list);
    EXPECT_EQ(S_OK, symbols.GetPinNames(list, "Gates:AND2"));
    EXPECT_EQ((StringList{"A", "B", "Y"}), list);
    EXPECT_EQ(KELM_E_NO_SUCH_ITEM, symbols.GetPinNames(list, "Gates:OR2"));
    EXPECT_EQ(KELM_E_NO_SUCH_PARTITION, symbols.GetPinNames(list, ":AND2"));
    EXPECT_EQ(KELM_E_BAD_ARGUMENT, symbols.GetPinNames(list, "AND2"));
    EXPECT_EQ(S_OK, symbols.GetPartitionNames(list, "GATES:INV"));
    EXPECT_EQ(StringList{"Gates"}, list);
    EXPECT_EQ(S_OK, symbols.GetPartitionNames(list, "Gates:OR2"));
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(S_OK, symbols.GetPartitionNames(list, "Nowhere:INV"));
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(KELM_E_NO_SUCH_PARTITION, symbols.GetSymbolsInPartition(list, "Nowhere"));

    // A new symbol file is seen after the partition is refreshed.
    ASSERT_EQ(S_OK, SymbolFileAdd(lib.File(), "Gates", "OR2", {"A", "B", "Y"}));
    KelmSchemePartition partitions(*session);
    EXPECT_EQ(S_OK, partitions.RefreshPartition(kGates));
    EXPECT_EQ(S_OK, symbols.GetPinNames(list, "Gates:OR2"));
    lib.WriteFile("SymbolLibs/Gates/sym/BAD.1", "{\"kelm\":\"symbol\",\"version\":1,\"lines\":1}\n{\"name\":\"BAD\",\n");
    EXPECT_EQ(S_OK, partitions.RefreshPartition(kGates));
    EXPECT_EQ(KELM_E_CORRUPT, symbols.GetPinNames(list, "Gates:BAD"));
    EXPECT_NE(std::string::npos, session->LastErrorText().find("BAD.1, line 2"));
}

TEST_F(FileStore, AReadOnlySessionRefusesEveryWrite) {
    auto reader = lib.Open(1);
    KelmSchemePartition partitions(*reader);
    partitions.SetWorkingUserName("alice");
    KelmPart parts(*reader, nullptr);
    parts.SetWorkingUserName("alice");
    KelmCell cells(*reader, nullptr, nullptr);
    cells.SetWorkingUserName("alice");
    EXPECT_EQ(KELM_E_READ_ONLY, partitions.ReservePartition(kCaps, "alice"));
    EXPECT_EQ(KELM_E_READ_ONLY, partitions.UnReservePartition(kParts, "alice"));
    EXPECT_EQ(KELM_E_READ_ONLY, partitions.AddPartition("PartsDBLibs\\New.pdb", 1));
    EXPECT_EQ(KELM_E_READ_ONLY, partitions.DeletePartition(kCaps));
    EXPECT_EQ(KELM_E_READ_ONLY, partitions.AddSearchScheme("S", {}, 0, 0));
    EXPECT_EQ(KELM_E_READ_ONLY, partitions.DeleteScheme("(Default)"));
    EXPECT_EQ(KELM_E_READ_ONLY, parts.Add("Resistors", {}, "R1", nullptr, 0, 0));
    EXPECT_EQ(KELM_E_READ_ONLY, parts.Delete("R1"));
    EXPECT_EQ(KELM_E_READ_ONLY, cells.Add({}, "C", "Smd", 0, 0, 0, 0));
    EXPECT_EQ(KELM_E_READ_ONLY, cells.Delete("C", "Smd"));
    EXPECT_EQ(KELM_E_READ_ONLY, reader->Save(nullptr, 0, 0));
    std::string holder;
    EXPECT_EQ(S_OK, partitions.GetPartitionReservation(kParts, holder));
    EXPECT_EQ("alice", holder);
}

TEST_F(FileStore, PartitionsAreReadOnFirstUseAndSaveWritesOnlyWhatChanged) {
    KelmPart parts(*server, nullptr);
    parts.SetWorkingUserName("alice");
    ASSERT_EQ(S_OK, parts.Add("Resistors", {"1"}, "R1", nullptr, 0, 0));
    ASSERT_EQ(S_OK, server->Save(nullptr, 0, 0));
    const std::string before = lib.ReadFile("PartsDBLibs/Resistors.pdb");

    // A broken partition does not stop the library from loading, only its own use.
    lib.WriteFile("PartsDBLibs/Caps.pdb", "{\"kelm\":\"parts\",\"version\":1,\"lines\":2}\n{\"number\":\"A\"}\n");
    auto session = lib.Open();
    KelmPart reader(*session, nullptr);
    StringList list;
    EXPECT_EQ(S_OK, reader.GetPartsInPartition(list, "Resistors"));
    EXPECT_EQ(KELM_E_CORRUPT, reader.GetPartsInPartition(list, "Caps"));
    EXPECT_NE(std::string::npos, session->LastErrorText().find("Caps.pdb, line 3"));

    const platform::FileStamp config = platform::StampOf(lib.File());
    const platform::FileStamp resistors = platform::StampOf(lib.Path("PartsDBLibs/Resistors.pdb"));
    KelmCell writer(*server, nullptr, nullptr);
    writer.SetWorkingUserName("alice");
    ASSERT_EQ(S_OK, writer.Add({"1"}, "C1", "Smd", 0, 0, 0, 0));
    ASSERT_EQ(S_OK, server->Save(nullptr, 0, 0));
    EXPECT_EQ(config, platform::StampOf(lib.File()));
    EXPECT_EQ(resistors, platform::StampOf(lib.Path("PartsDBLibs/Resistors.pdb")));
    EXPECT_EQ(before, lib.ReadFile("PartsDBLibs/Resistors.pdb"));
    EXPECT_TRUE(platform::StampOf(lib.Path("CellDBLibs/Smd.cells")).exists);
    // Nothing changed: nothing is written.
    ASSERT_EQ(S_OK, server->Save(nullptr, 0, 0));
    EXPECT_EQ(config, platform::StampOf(lib.File()));
}

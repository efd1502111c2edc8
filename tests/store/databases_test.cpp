// The cell database (CCellDB over a partition's .cel file), the padstack database (CPadstackDB over a padstack file)
// and the tools that write them, under the library lock (exclusive, gone once released) and saying why they fail.
#include <gtest/gtest.h>
#include <thread>
#include "ChildProcess.h"
#include "platform/Files.h"
#include "platform/Machine.h"
#include "store/db/CellDB.h"
#include "store/db/PadstackDB.h"
#include "store/file/LibraryLock.h"
#include "store/file/LibraryTools.h"
#include "store/items/StoreStatus.h"
#include "support/TempLibrary.h"
using namespace kelm;
using namespace kelm::store;
using kelm::testing::RunStoreChild;
using kelm::testing::TempLibrary;

TEST(CellDatabase, FindsCellsOfTheFileWithSortedPinsAndRefusesDamage) {
    TempLibrary lib;
    const std::string cel = lib.Folder() + "\\CellDBLibs\\Smd.cel";  // as the import builds it: two separators
    ASSERT_EQ(S_OK, CellDBAddCell(cel, "C0603", {"2", "1", "10"}, {"pad-b", "pad-a"}));
    ASSERT_EQ(S_OK, CellDBAddCell(cel, "C0805", {"1"}, {}));
    ASSERT_EQ(S_OK, CellDBAddCell(cel, "C0805", {"1", "2"}, {"pad"}));  // replaced
    celldb::CCellDB db;
    db.Init();
    ASSERT_EQ(0, db.Load(cel.c_str(), 1));
    celldb::CCellDBCell cell;
    ASSERT_EQ(0, db.FindCell(cell, "C0603"));
    StringList list;
    cell.GetSortedListOfPinNumbers(list);
    EXPECT_EQ((StringList{"1", "10", "2"}), list);
    ASSERT_EQ(0, db.FindCell(cell, "C0805"));
    EXPECT_EQ((StringList{"1", "2"}), cell.pins);
    EXPECT_EQ(celldb::kCellNotFound, db.FindCell(cell, "c0603"));
    db.Close();
    EXPECT_EQ(celldb::kCellNotFound, db.FindCell(cell, "C0603"));
    EXPECT_NE(0, db.Load(nullptr, 1));
    lib.WriteFile("CellDBLibs/Twice.cel", "{\"kelm\":\"celldb\",\"version\":1,\"lines\":2}\n{\"cell\":\"A\",\"pins\":[],\"padstacks\":[]}\n"
                                          "{\"cell\":\"A\",\"pins\":[],\"padstacks\":[]}\n");
    EXPECT_EQ(KELM_E_CORRUPT, db.Load(lib.Path("CellDBLibs/Twice.cel").c_str(), 1));
    EXPECT_EQ(KELM_E_BAD_ARGUMENT, CellDBAddCell(cel, "", {}, {}));
}

TEST(PadstackDatabase, FindsCreatesAndSavesPadstacksSortedByName) {
    TempLibrary lib;
    const std::string file = lib.Path("pads.pdb");
    ASSERT_EQ(S_OK, PadstackDBCreate(file));
    EXPECT_EQ(kItemExistsOrMissing, PadstackDBCreate(file));
    padstackdb::CPadstackDB db;
    padstackdb::CPadstackDBPadstack record, other;
    ASSERT_EQ(0, db.Init());
    EXPECT_LT(db.FindPadstack(record, "A"), 0);  // nothing loaded
    EXPECT_LT(db.NewPadstack(record, "A"), 0);
    EXPECT_LT(db.Save(nullptr), 0);
    EXPECT_EQ(-1, record.SetType(3));  // bound to nothing
    ASSERT_EQ(0, db.Load(file.c_str(), 0));
    EXPECT_NE(0, db.FindPadstack(record, "DEFAULT"));
    ASSERT_EQ(0, db.NewPadstack(record, "DEFAULT"));
    EXPECT_EQ(kItemExistsOrMissing, db.NewPadstack(other, "DEFAULT"));
    EXPECT_EQ(0, record.SetType(padstackdb::ePadstackType_Default));
    EXPECT_EQ(0, record.SetTimestamp(1700000000));
    ASSERT_EQ(0, db.NewPadstack(other, "ALPHA"));
    ASSERT_EQ(0, db.Save(nullptr));
    std::vector<padstackdb::PadstackData> padstacks;
    ASSERT_EQ(S_OK, PadstackDBList(file, padstacks));
    ASSERT_EQ(2u, padstacks.size());
    EXPECT_EQ("ALPHA", padstacks[0].name);
    EXPECT_EQ("DEFAULT", padstacks[1].name);
    EXPECT_EQ(3, padstacks[1].type);
    EXPECT_EQ(1700000000, padstacks[1].timestamp);
    ASSERT_EQ(0, db.FindPadstack(other, "DEFAULT"));
    EXPECT_EQ(3, other.Data()->type);
    EXPECT_LT(db.Load("", 0), 0);
    EXPECT_LT(db.Load(lib.Path("none.pdb").c_str(), 0), 0);
    lib.WriteFile("bad.pdb", "{\"kelm\":\"padstacks\",\"version\":1,\"lines\":1}\n{\"name\":\"\"}\n");
    EXPECT_EQ(KELM_E_CORRUPT, db.Load(lib.Path("bad.pdb").c_str(), 0));
    EXPECT_EQ(KELM_E_CORRUPT, PadstackDBList(lib.Path("bad.pdb"), padstacks));
    EXPECT_EQ(KELM_E_IO, PadstackDBList(lib.Path("none.pdb"), padstacks));
}

TEST(LibraryTools, CreateLibraryRefusesAPathWithoutAFileName) {
    TempLibrary lib;
    EXPECT_EQ(KELM_E_BAD_ARGUMENT, CreateLibrary(lib.Path("sub/")));
}

TEST(CellDBAdd, TwoConcurrentWritersKeepEveryCell) {
    TempLibrary lib;
    const std::string cel = lib.Path("CellDBLibs\\Smd.cel");
    const int cells = 40;
    bool first = false;
    std::thread other([&] { first = RunStoreChild({"celldb-add", cel, "A", std::to_string(cells)}); });
    const bool second = RunStoreChild({"celldb-add", cel, "B", std::to_string(cells)});
    other.join();
    ASSERT_TRUE(first && second);
    celldb::CCellDB db;
    db.Init();
    ASSERT_EQ(0, db.Load(cel.c_str(), 1));
    celldb::CCellDBCell cell;
    for (int i = 0; i < cells; ++i)
        for (const std::string prefix : {"A", "B"}) EXPECT_EQ(0, db.FindCell(cell, prefix + std::to_string(i))) << prefix << i;
}

TEST(CellDBAdd, WaitsForTheLibraryLockAndNamesWhatWentWrong) {
    TempLibrary lib;
    LibraryLock::SetMaxWaitMilliseconds(100);
    LibraryLock held;
    std::string error;
    ASSERT_EQ(S_OK, held.Acquire(lib.Path("lib.lock"), error));
    EXPECT_EQ(KELM_E_LOCKED, CellDBAddCell(lib.Path("CellDBLibs/Smd.cel"), "C1", {"1"}, {}, &error));
    EXPECT_NE(std::string::npos, error.find("process " + std::to_string(platform::CurrentProcessId()))) << error;
    LibraryLock second;
    EXPECT_EQ(KELM_E_LOCKED, second.Acquire(lib.Path("lib.lock"), error));
    held.Release();
    EXPECT_FALSE(platform::StampOf(lib.Path("lib.lock")).exists);
    EXPECT_EQ(S_OK, second.Acquire(lib.Path("lib.lock"), error));
    second.Release();
    LibraryLock::SetMaxWaitMilliseconds(100);  // only .qvm files are libraries: another file's lock never blocks
    lib.WriteFile("notes.txt", "x");
    ASSERT_EQ(S_OK, held.Acquire(lib.Path("notes.lock"), error));
    EXPECT_EQ(S_OK, CellDBAddCell(lib.Path("CellDBLibs/Smd.cel"), "C2", {"1"}, {}, &error)) << error;
    held.Release();
    LibraryLock::SetMaxWaitMilliseconds(10000);
    lib.WriteFile("CellDBLibs/Bad.cel", "{\"kelm\":\"celldb\",\"version\":1,\"lines\":1}\n{\"cell\":\"A\",\"pins\":[1]}\n");
    EXPECT_EQ(KELM_E_CORRUPT, CellDBAddCell(lib.Path("CellDBLibs/Bad.cel"), "B", {}, {}, &error));
    EXPECT_NE(std::string::npos, error.find("Bad.cel, line 2")) << error;
    celldb::CCellDB db;
    EXPECT_EQ(KELM_E_CORRUPT, db.Load(lib.Path("CellDBLibs/Bad.cel").c_str(), 1));
    // Outside a library a cell database has a lock of its own, gone afterwards.
    EXPECT_EQ(S_OK, CellDBAddCell(lib.Path("loose/Own.cel"), "C1", {"1"}, {}, &error));
    EXPECT_FALSE(platform::StampOf(lib.Path("loose/Own.cel.lock")).exists);
}

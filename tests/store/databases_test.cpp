// The cell database (CCellDB over a partition's .cel file), the padstack
// database (CPadstackDB over a padstack file) and the tools that write them.
#include <gtest/gtest.h>

#include "platform/Files.h"
#include "store/db/CellDB.h"
#include "store/db/PadstackDB.h"
#include "store/file/LibraryTools.h"
#include "store/items/StoreStatus.h"
#include "support/TempLibrary.h"

using namespace kelm;
using namespace kelm::store;
using kelm::testing::TempLibrary;

TEST(CellDatabase, FindsCellsOfTheFileWithSortedPinsAndPadstacksAndRefusesDamage) {
    TempLibrary lib;
    const std::string cel = lib.Folder() + "\\CellDBLibs\\Smd.cel";  // as the import builds it: two separators
    ASSERT_EQ(S_OK, CellDBAddCell(cel, "C0603", {"2", "1", "10"}, {"pad-b", "pad-a"}));
    ASSERT_EQ(S_OK, CellDBAddCell(cel, "C0805", {"1"}, {}));
    ASSERT_EQ(S_OK, CellDBAddCell(cel, "C0805", {"1", "2"}, {"pad"}));  // replaced
    celldb::CCellDB db;
    EXPECT_EQ(0, db.Init());
    ASSERT_EQ(0, db.Load(cel.c_str(), 1));
    celldb::CCellDBCell cell;
    ASSERT_EQ(0, db.FindCell(cell, "C0603"));
    StringList list;
    cell.GetSortedListOfPinNumbers(list);
    EXPECT_EQ((StringList{"1", "10", "2"}), list);
    cell.GetSortedListOfPadstackNames(list);
    EXPECT_EQ((StringList{"pad-a", "pad-b"}), list);
    ASSERT_EQ(0, db.FindCell(cell, "C0805"));
    EXPECT_EQ((StringList{"1", "2"}), cell.pins);
    EXPECT_EQ(celldb::kCellNotFound, db.FindCell(cell, "c0603"));
    db.Close();
    EXPECT_EQ(celldb::kCellNotFound, db.FindCell(cell, "C0603"));

    EXPECT_NE(0, db.Load(lib.Path("CellDBLibs/None.cel").c_str(), 1));
    EXPECT_NE(0, db.Load(nullptr, 1));
    lib.WriteFile("CellDBLibs/Bad.cel", "{\"kelm\":\"celldb\",\"version\":1,\"lines\":1}\n{\"cell\":\"A\",\"pins\":[1]}\n");
    EXPECT_EQ(KELM_E_CORRUPT, db.Load(lib.Path("CellDBLibs/Bad.cel").c_str(), 1));
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
    padstackdb::CPadstackDB again;
    again.Init();
    ASSERT_EQ(0, again.Load(file.c_str(), 0));
    ASSERT_EQ(0, again.FindPadstack(record, "DEFAULT"));
    EXPECT_EQ(3, record.Data()->type);

    EXPECT_LT(again.Load("", 0), 0);
    EXPECT_LT(again.Load(lib.Path("none.pdb").c_str(), 0), 0);
    lib.WriteFile("bad.pdb", "{\"kelm\":\"padstacks\",\"version\":1,\"lines\":1}\n{\"name\":\"\"}\n");
    EXPECT_EQ(KELM_E_CORRUPT, again.Load(lib.Path("bad.pdb").c_str(), 0));
    EXPECT_EQ(KELM_E_CORRUPT, PadstackDBList(lib.Path("bad.pdb"), padstacks));
    EXPECT_EQ(KELM_E_IO, PadstackDBList(lib.Path("none.pdb"), padstacks));
}

TEST(LibraryTools, CreateLibraryRefusesToOverwrite) {
    TempLibrary lib;
    EXPECT_EQ(kItemExistsOrMissing, CreateLibrary(lib.File()));
    EXPECT_EQ(S_OK, CreateLibrary(lib.Path("sub/dir/other.qvm")));
    EXPECT_TRUE(platform::StampOf(lib.Path("sub/dir/other.qvm")).exists);
    EXPECT_EQ(KELM_E_BAD_ARGUMENT, CreateLibrary(lib.Path("sub/")));
}

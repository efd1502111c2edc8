// The store's file tools write under the library lock and say why they fail.
#include <gtest/gtest.h>

#include <thread>

#include "ChildProcess.h"
#include "platform/Files.h"
#include "platform/Machine.h"
#include "store/db/CellDB.h"
#include "store/file/LibraryLock.h"
#include "store/file/LibraryTools.h"
#include "support/TempLibrary.h"

using namespace kelm;
using namespace kelm::store;
using kelm::testing::RunStoreChild;
using kelm::testing::TempLibrary;

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
    held.Release();
    LibraryLock::SetMaxWaitMilliseconds(10000);

    lib.WriteFile("CellDBLibs/Bad.cel", "{\"kelm\":\"celldb\",\"version\":1,\"lines\":1}\n{\"cell\":\"A\",\"pins\":[1]}\n");
    EXPECT_EQ(KELM_E_CORRUPT, CellDBAddCell(lib.Path("CellDBLibs/Bad.cel"), "B", {}, {}, &error));
    EXPECT_NE(std::string::npos, error.find("Bad.cel, line 2")) << error;
    // Outside a library a cell database has a lock of its own, gone afterwards.
    EXPECT_EQ(S_OK, CellDBAddCell(lib.Path("loose/Own.cel"), "C1", {"1"}, {}, &error));
    EXPECT_FALSE(platform::StampOf(lib.Path("loose/Own.cel.lock")).exists);
}

// Default padstack creation against a scripted padstack database.
#include <gtest/gtest.h>

#include "maintenance/DefaultPadstack.h"
#include "platform/Clock.h"
#include "support/EditTestLibrary.h"
#include "support/ScriptedDatabases.h"

using namespace kelm::testing;

namespace {

class DefaultPadstackTest : public ::testing::Test {
protected:
    DefaultPadstackTest() { kelm::platform::SetClockForTesting([] { return std::int64_t{1650000000}; }); }
    ~DefaultPadstackTest() override { kelm::platform::SetClockForTesting({}); }
    HRESULT Create(const std::string& file = "pads.pdb") {
        return kelm::CreateDefaultPadstack(library.Session(), "DEFAULT", file);
    }

    EditTestLibrary library;
    ScriptedPadstackDB database;
};

}  // namespace

TEST_F(DefaultPadstackTest, ClosedLibraryIsRefusedBeforeTheDatabase) {
    library.Session().Close();
    EXPECT_EQ(E_FAIL, Create());
    EXPECT_TRUE(database.calls.empty());
}

TEST_F(DefaultPadstackTest, MissingPadstackIsCreatedStampedAndSaved) {
    EXPECT_EQ(S_OK, Create());
    EXPECT_EQ((std::vector<std::string>{"Init()", "Load(pads.pdb, 0)", "FindPadstack(DEFAULT)", "NewPadstack(DEFAULT)",
                                        "Save(null)", "Close()"}),
              database.calls);
    ASSERT_EQ(1u, database.created.size());
    EXPECT_EQ("DEFAULT", database.created[0]->name);
    EXPECT_EQ(3, database.created[0]->type);
    EXPECT_EQ(1650000000, database.created[0]->timestamp);
}

TEST_F(DefaultPadstackTest, ExistingPadstackWritesNothing) {
    database.existing = {"DEFAULT"};
    EXPECT_EQ(S_OK, Create());
    EXPECT_EQ((std::vector<std::string>{"Init()", "Load(pads.pdb, 0)", "FindPadstack(DEFAULT)", "Close()"}), database.calls);
}

TEST_F(DefaultPadstackTest, InitAndLoadFailuresAreReturnedWithoutClose) {
    database.initStatus = -2;
    EXPECT_EQ(-2, Create());
    EXPECT_EQ(std::vector<std::string>{"Init()"}, database.calls);

    database.initStatus = 1;  // only negative counts as failure
    database.loadStatus = -3;
    database.calls.clear();
    EXPECT_EQ(-3, Create(""));  // an empty file name is handed over unchanged
    EXPECT_EQ((std::vector<std::string>{"Init()", "Load(, 0)"}), database.calls);
}

TEST_F(DefaultPadstackTest, CreationAndSaveFailuresAreReturned) {
    database.newStatus = 5;
    EXPECT_EQ(5, Create());
    EXPECT_EQ((std::vector<std::string>{"Init()", "Load(pads.pdb, 0)", "FindPadstack(DEFAULT)", "NewPadstack(DEFAULT)",
                                        "Close()"}),
              database.calls);

    database.newStatus = 0;
    database.saveStatus = -4;
    EXPECT_EQ(-4, Create());
}

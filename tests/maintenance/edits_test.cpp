// Edits through a Kelm object on the file store: what the same and a second object see afterwards.
#include <gtest/gtest.h>
#include "platform/Clock.h"
#include "store/db/PadstackDB.h"
#include "store/items/KelmSchemePartition.h"
#include "support/KelmOnLibrary.h"

namespace kelm::testing {
namespace {
constexpr HRESULT kExists = static_cast<HRESULT>(0x80040005L);

TEST(Edits, PartitionsJoinAndLeaveTheDefaultSchemeOnly) {
    KelmOnLibrary lib(KelmOnLibrary::kEmpty);
    ASSERT_EQ(lib.AddPartition("Smd", kCell), S_OK);  // a library without schemes gets "(Default)"
    EXPECT_EQ(lib.AddPartition("Resistors", kPart), S_OK);
    EXPECT_EQ(lib.AddPartition("Gates", kSymbol, false), S_OK);
    EXPECT_EQ(lib.Partitions("(Default)", kPart), Names{"Resistors"});
    EXPECT_EQ(lib.Partitions("", kSymbol), Names{});
    EXPECT_EQ(lib.Items("Gates", "*", kSymbol), Names{});  // it exists all the same
    store::KelmSchemePartition schemes(lib.Session().Store());
    schemes.DeleteScheme("(Default)");  // a scheme naming the partition twice, in two spellings
    ASSERT_EQ(schemes.AddSearchScheme("(Default)", {"CellDBLibs\\Smd.cel", "PartsDBLibs\\Resistors.pdb", "CellDBLibs\\SMD.cel"}, 5, 1), S_OK);
    ASSERT_EQ(schemes.AddSearchScheme("Other", {"CellDBLibs\\Smd.cel"}, 0, 1), S_OK);
    ASSERT_EQ(lib.DeletePartition("Smd", kCell), S_OK);
    ASSERT_EQ(lib.AddPartition("Thru", kCell), S_OK);
    StringList partitions;
    int protection = -1;
    schemes.GetDefaultSearchScheme(partitions);
    schemes.GetDefaultSchemeProtection(protection);
    EXPECT_EQ(partitions, (StringList{"PartsDBLibs\\Resistors.pdb", "CellDBLibs\\Thru.cel"}));
    EXPECT_EQ(protection, 5);
    EXPECT_EQ(lib.Partitions("Other", kCell), Names{"Smd"});  // other schemes are left alone
    ASSERT_EQ(lib->SaveQVM(), S_OK);
    ASSERT_EQ(lib->ReloadQVM(), S_OK);
    EXPECT_EQ(lib.Partitions("", kCell), Names{"Thru"});
}
// The random model test of the store compares copies, moves, deletions and
// reservations with a model; here the rules it does not try.
TEST(Edits, APartTypeMovesUnderANewNumberAndOverwriteIsMinusOneOnly) {
    KelmOnLibrary lib;
    // Part numbers are unique in the library: a move between partitions needs a new number.
    EXPECT_EQ(lib.Copy("Resistors", "R-0603-10K", "Capacitors", "R-0603-10K", kPart, false, true), kExists);
    // A refused copy leaves the item alone.
    AutoBstr smd = Bstr("Smd"), soic = Bstr("SOIC14"), res = Bstr("RES0603");
    EXPECT_EQ(lib->CopyItemInQVM(smd.get(), soic.get(), smd.get(), res.get(), kCell, 1, VARIANT_FALSE), kExists);
    EXPECT_EQ(lib.Pins("Smd", "RES0603", kCell), 2);
}
TEST(Edits, DefaultPadstackIsCreatedOnceAndFoundTheSecondTime) {
    KelmOnLibrary lib;
    platform::SetClockForTesting([] { return std::int64_t{1650000000}; });
    const std::string file = lib.Temp().Path() + "pads.pdb";
    ASSERT_EQ(store::PadstackDBCreate(file), S_OK);
    AutoBstr name = Bstr("DEFAULT"), path = Bstr(file), missing = Bstr(lib.Temp().Path() + "missing.pdb");
    ASSERT_EQ(lib->CreateDefaultPadstack(name.get(), path.get()), S_OK);
    const std::string afterFirst = ReadFileBytes(file);
    ASSERT_EQ(lib->CreateDefaultPadstack(name.get(), path.get()), S_OK);
    EXPECT_EQ(ReadFileBytes(file), afterFirst);  // found: nothing written
    platform::SetClockForTesting({});
    std::vector<padstackdb::PadstackData> padstacks;
    ASSERT_EQ(store::PadstackDBList(file, padstacks), S_OK);
    ASSERT_EQ(padstacks.size(), 1u);
    EXPECT_EQ(padstacks[0].name + " " + std::to_string(padstacks[0].type), "DEFAULT 3");
    EXPECT_EQ(padstacks[0].timestamp, 1650000000);
    EXPECT_LT(lib->CreateDefaultPadstack(name.get(), missing.get()), 0);
}
// Failures a padstack file does not give: a negative Init or Load ends the call before Close.
class PadstackScript : public padstackdb::PadstackDBImpl {
public:
    PadstackScript(const int* statuses, int* closes) : m_statuses(statuses), m_closes(closes) {}
    int Init() override { return m_statuses[0]; }
    int Load(const std::string&, int) override { return m_statuses[1]; }
    int FindPadstack(padstackdb::CPadstackDBPadstack&, const std::string&) override { return -1; }
    int NewPadstack(padstackdb::CPadstackDBPadstack& record, const std::string&) override {
        if (m_statuses[2] == 0) record.Bind(std::make_shared<padstackdb::PadstackData>());
        return m_statuses[2];
    }
    int Save(const char*) override { return m_statuses[3]; }
    void Close() override { ++*m_closes; }

private:
    const int* m_statuses;
    int* m_closes;
};
TEST(Edits, PadstackDatabaseStatusesAreReturned) {
    struct Case { int init, load, create, save; HRESULT expected; int closes; };
    const Case cases[] = {{-2, 0, 0, 0, -2, 0}, {1, -3, 0, 0, -3, 0}, {0, 0, 5, 0, 5, 1},
                          {0, 0, 0, -4, -4, 1}, {0, 1, 0, 0, S_OK, 1}};
    KelmOnLibrary lib;
    AutoBstr name = Bstr("DEFAULT"), file = Bstr("pads.pdb");
    for (const Case& c : cases) {
        const int statuses[] = {c.init, c.load, c.create, c.save};
        int closes = 0;
        padstackdb::SetPadstackDBFactory([&] { return std::make_unique<PadstackScript>(statuses, &closes); });
        EXPECT_EQ(lib->CreateDefaultPadstack(name.get(), file.get()), c.expected) << c.init << c.load << c.create;
        EXPECT_EQ(closes, c.closes);
    }
    padstackdb::SetPadstackDBFactory({});
}
}  // namespace
}  // namespace kelm::testing

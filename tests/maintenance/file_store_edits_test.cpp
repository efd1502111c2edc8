// Reservations, partitions, deletion, copy and move, and the default
// padstack against the file store: what a second session or a fresh object
// sees afterwards.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "import/CellImport.h"
#include "import/PartImport.h"
#include "maintenance/DefaultPadstack.h"
#include "maintenance/ItemCopy.h"
#include "maintenance/ItemDeletion.h"
#include "maintenance/Partitions.h"
#include "maintenance/Reservation.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "store/items/KelmCell.h"
#include "store/items/KelmPart.h"
#include "store/file/LibraryTools.h"
#include "support/EditTestLibrary.h"
#include "support/ImportRecords.h"

using namespace kelm;
using namespace kelm::testing;

namespace {

constexpr HRESULT kExists = static_cast<HRESULT>(0x80040005L);
constexpr auto kCell = KelmEnum_ObjType_Cell;
constexpr auto kPart = KelmEnum_ObjType_PartType;

std::string Holder(LibrarySession& session, const std::string& partition, KelmEnum_ObjType kind) {
    AutoBstr holder;
    if (GetPartitionReservation(session, partition, kind, holder.Out()) < 0) return "<failed>";
    return platform::BstrToAnsi(holder.get());
}

StringList CellsIn(LibrarySession& session, const std::string& partition) {
    store::KelmCell cells(session.Store(), nullptr, nullptr);
    StringList names;
    cells.GetCellsInPartition(names, partition);
    return names;
}

StringList PartsIn(LibrarySession& session, const std::string& partition) {
    store::KelmPart parts(session.Store(), nullptr);
    StringList names;
    parts.GetPartsInPartition(names, partition);
    return names;
}

StringList AllPartitions(LibrarySession& session) {
    store::KelmSchemePartition schemes(session.Store());
    StringList all;
    schemes.GetAllPartitions(all, 1);
    return all;
}

struct SchemeView {
    std::string name;
    int protection = -1;
    StringList partitions;
};
SchemeView DefaultScheme(LibrarySession& session) {
    store::KelmSchemePartition schemes(session.Store());
    SchemeView view;
    schemes.GetDefaultSearchSchemeName(view.name);
    schemes.GetDefaultSchemeProtection(view.protection);
    schemes.GetDefaultSearchScheme(view.partitions);
    return view;
}

bool Contains(const StringList& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

class FileStoreEdits : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(S_OK, library.OpenStatus()); }

    // Adds a partition and fills it while the user holds it; leaves it free.
    void CellPartition(const std::string& partition, const std::vector<std::pair<std::string, StringList>>& cells) {
        ASSERT_EQ(S_OK, AddPartition(session, partition, kCell, VARIANT_TRUE));
        ASSERT_EQ(S_OK, ReservePartition(session, partition, kCell));
        for (const auto& [name, pins] : cells) {
            const KelmStruct_Cell record = records.Cell(name, pins, 100);
            ASSERT_EQ(S_OK, AddItemToQVM_Cell(session, partition, &record, VARIANT_FALSE)) << name;
        }
        ASSERT_EQ(S_OK, session.Save());
        ASSERT_EQ(S_OK, UnReservePartition(session, partition, kCell));
    }
    void PartPartition(const std::string& partition, const std::vector<std::string>& numbers) {
        ASSERT_EQ(S_OK, AddPartition(session, partition, kPart, VARIANT_TRUE));
        ASSERT_EQ(S_OK, ReservePartition(session, partition, kPart));
        for (const std::string& number : numbers) {
            KelmStruct_PartType record = records.Part(number, 200);
            ASSERT_EQ(S_OK, AddItemToQVM_Part(session, partition, &record, VARIANT_FALSE)) << number;
        }
        ASSERT_EQ(S_OK, session.Save());
        ASSERT_EQ(S_OK, UnReservePartition(session, partition, kPart));
    }

    FileTestLibrary library{"alice"};
    LibrarySession& session = library.Session();
    ImportRecords records;
};

}  // namespace

TEST_F(FileStoreEdits, AddedPartitionsGoLastIntoTheDefaultSchemeWithItsNameAndProtection) {
    // A library without schemes gets "(Default)".
    ASSERT_EQ(S_OK, AddPartition(session, "Smd", kCell, VARIANT_TRUE));
    SchemeView scheme = DefaultScheme(session);
    EXPECT_EQ("(Default)", scheme.name);
    EXPECT_EQ(StringList{"CellDBLibs\\Smd.cel"}, scheme.partitions);

    {
        store::KelmSchemePartition schemes(session.Store());
        schemes.DeleteScheme("(Default)");
        ASSERT_EQ(S_OK, schemes.AddSearchScheme("(Default)", {"CellDBLibs\\Smd.cel"}, 5, 1));
    }
    ASSERT_EQ(S_OK, AddPartition(session, "Resistors", kPart, VARIANT_TRUE));
    ASSERT_EQ(S_OK, AddPartition(session, "Gates", KelmEnum_ObjType_LogicSymbol, VARIANT_BOOL{1}));
    EXPECT_EQ(S_FALSE, AddPartition(session, "RESISTORS", kPart, VARIANT_TRUE));

    scheme = DefaultScheme(session);
    EXPECT_EQ("(Default)", scheme.name);
    EXPECT_EQ(5, scheme.protection);
    EXPECT_EQ((StringList{"CellDBLibs\\Smd.cel", "PartsDBLibs\\Resistors.pdb"}), scheme.partitions);
    EXPECT_TRUE(Contains(AllPartitions(session), "SymbolLibs\\Gates"));
}

TEST_F(FileStoreEdits, DeletedPartitionLeavesTheDefaultSchemeEverywhereAndOtherSchemesAlone) {
    ASSERT_EQ(S_OK, AddPartition(session, "Smd", kCell, VARIANT_FALSE));
    ASSERT_EQ(S_OK, AddPartition(session, "Resistors", kPart, VARIANT_FALSE));
    {
        store::KelmSchemePartition schemes(session.Store());
        ASSERT_EQ(S_OK, schemes.AddSearchScheme("(Default)", {"CellDBLibs\\Smd.cel", "PartsDBLibs\\Resistors.pdb",
                                                              "CellDBLibs\\SMD.cel"}, 2, 1));
        ASSERT_EQ(S_OK, schemes.AddSearchScheme("Other", {"CellDBLibs\\Smd.cel"}, 0, 1));
    }
    ASSERT_EQ(S_OK, DeletePartition(session, "Smd", kCell));
    EXPECT_EQ(S_FALSE, DeletePartition(session, "Smd", kCell));

    const SchemeView scheme = DefaultScheme(session);
    EXPECT_EQ("(Default)", scheme.name);
    EXPECT_EQ(2, scheme.protection);
    EXPECT_EQ(StringList{"PartsDBLibs\\Resistors.pdb"}, scheme.partitions);
    {
        store::KelmSchemePartition schemes(session.Store());
        StringList other;
        schemes.GetSchemePartitionList("Other", other);
        EXPECT_EQ(StringList{"CellDBLibs\\Smd.cel"}, other);
    }

    ASSERT_EQ(S_OK, session.Save());
    auto fresh = library.OpenAnother("carol");
    EXPECT_FALSE(Contains(AllPartitions(*fresh), "CellDBLibs\\Smd.cel"));
    EXPECT_TRUE(Contains(AllPartitions(*fresh), "PartsDBLibs\\Resistors.pdb"));
}

TEST_F(FileStoreEdits, AReservedPartitionIsDeletedByItsHolderOnly) {
    ASSERT_EQ(S_OK, AddPartition(session, "Smd", kCell, VARIANT_FALSE));
    ASSERT_EQ(S_OK, session.Save());
    ASSERT_EQ(S_OK, ReservePartition(session, "Smd", kCell));
    auto other = library.OpenAnother("bob");
    EXPECT_EQ(S_OK, DeletePartition(*other, "Smd", kCell));  // refused by the store, not passed on
    EXPECT_TRUE(Contains(AllPartitions(*other), "CellDBLibs\\Smd.cel"));
    ASSERT_EQ(S_OK, DeletePartition(session, "Smd", kCell));
    EXPECT_FALSE(Contains(AllPartitions(session), "CellDBLibs\\Smd.cel"));
}

TEST_F(FileStoreEdits, CellsAreCopiedWithinAndBetweenPartitionsAndSaved) {
    CellPartition("Smd", {{"SO8", {"1", "2", "3"}}});
    CellPartition("Thru", {});
    ASSERT_EQ(S_OK, CopyItemInQVM(session, "Smd", "SO8", "Smd", "SO8-copy", kCell, VARIANT_FALSE, VARIANT_FALSE));
    ASSERT_EQ(S_OK, CopyItemInQVM(session, "Smd", "SO8", "Thru", "SO8", kCell, VARIANT_FALSE, VARIANT_FALSE));
    EXPECT_EQ("", Holder(session, "Smd", kCell));  // taken for the call, given back
    EXPECT_EQ("", Holder(session, "Thru", kCell));

    // Saved: a fresh object sees the copies.
    auto fresh = library.OpenAnother("carol");
    EXPECT_TRUE(Contains(CellsIn(*fresh, "Smd"), "SO8-copy"));
    EXPECT_TRUE(Contains(CellsIn(*fresh, "Thru"), "SO8"));
    store::KelmCell cells(fresh->Store(), nullptr, nullptr);
    StringList pins;
    cells.SetWorkingPartition("Thru");
    EXPECT_EQ(S_OK, cells.GetPinNames(pins, "SO8"));
    EXPECT_EQ((StringList{"1", "2", "3"}), pins);
}

TEST_F(FileStoreEdits, CopyOntoAnExistingCellNeedsOverwriteMinusOne) {
    CellPartition("Smd", {{"SO8", {"1", "2"}}, {"SO14", {"1", "2", "3", "4"}}});
    EXPECT_EQ(kExists, CopyItemInQVM(session, "Smd", "SO14", "Smd", "SO8", kCell, VARIANT_BOOL{1}, VARIANT_FALSE));
    EXPECT_EQ("", Holder(session, "Smd", kCell));  // free again after the failed edit
    ASSERT_EQ(S_OK, CopyItemInQVM(session, "Smd", "SO14", "Smd", "SO8", kCell, VARIANT_TRUE, VARIANT_FALSE));

    auto fresh = library.OpenAnother("carol");
    store::KelmCell cells(fresh->Store(), nullptr, nullptr);
    cells.SetWorkingPartition("Smd");
    StringList pins;
    EXPECT_EQ(S_OK, cells.GetPinNames(pins, "SO8"));
    EXPECT_EQ((StringList{"1", "2", "3", "4"}), pins);
}

TEST_F(FileStoreEdits, MovedPartTypeIsFoundOnlyInTheDestination) {
    PartPartition("Resistors", {"R1", "R2"});
    PartPartition("Spare", {});
    // Part numbers are unique in the library: the copy is added before the
    // source goes, so a move between partitions takes a new number.
    EXPECT_EQ(kExists, CopyItemInQVM(session, "Resistors", "R1", "Spare", "R1", kPart, VARIANT_FALSE, VARIANT_TRUE));
    ASSERT_EQ(S_OK, CopyItemInQVM(session, "Resistors", "R1", "Spare", "R9", kPart, VARIANT_FALSE, VARIANT_TRUE));
    auto fresh = library.OpenAnother("carol");
    EXPECT_EQ(StringList{"R2"}, PartsIn(*fresh, "Resistors"));
    EXPECT_EQ(StringList{"R9"}, PartsIn(*fresh, "Spare"));
    EXPECT_EQ("", Holder(*fresh, "Resistors", kPart));
    EXPECT_EQ("", Holder(*fresh, "Spare", kPart));
}

TEST_F(FileStoreEdits, DeletionSavesAndReportsMissingItems) {
    CellPartition("Smd", {{"SO8", {"1"}}});
    PartPartition("Resistors", {"R1"});
    VARIANT_BOOL noItem = 5;
    ASSERT_EQ(S_OK, DeleteItemFromQVM(session, "Smd", "SO8", kCell, &noItem));
    EXPECT_EQ(0, noItem);
    EXPECT_EQ(kExists, DeleteItemFromQVM(session, "Smd", "SO8", kCell, &noItem));
    EXPECT_EQ(VARIANT_TRUE, noItem);
    EXPECT_EQ("", Holder(session, "Smd", kCell));  // free again after the failed edit
    EXPECT_NE(S_OK, CopyItemInQVM(session, "Smd", "SO9", "Smd", "SO10", kCell, VARIANT_FALSE, VARIANT_TRUE));
    EXPECT_EQ("", Holder(session, "Smd", kCell));

    ASSERT_EQ(S_OK, ReservePartition(session, "Resistors", kPart));  // held by the user: kept
    ASSERT_EQ(S_OK, DeleteItemFromQVM(session, "Resistors", "R1", kPart, &noItem));
    EXPECT_EQ("alice", Holder(session, "Resistors", kPart));

    auto fresh = library.OpenAnother("carol");
    EXPECT_TRUE(CellsIn(*fresh, "Smd").empty());
    EXPECT_TRUE(PartsIn(*fresh, "Resistors").empty());
}

TEST_F(FileStoreEdits, EditsOfPartitionsTheUserHoldsAreSavedAndTheReservationsKept) {
    CellPartition("Smd", {{"SO8", {"1", "2"}}, {"SO14", {"1", "2", "3"}}});
    CellPartition("Thru", {});
    PartPartition("Resistors", {"R1", "R2"});
    ASSERT_EQ(S_OK, ReservePartition(session, "Smd", kCell));
    ASSERT_EQ(S_OK, ReservePartition(session, "Thru", kCell));
    ASSERT_EQ(S_OK, ReservePartition(session, "Resistors", kPart));

    ASSERT_EQ(S_OK, CopyItemInQVM(session, "Smd", "SO8", "Smd", "SO8B", kCell, VARIANT_FALSE, VARIANT_FALSE));
    ASSERT_EQ(S_OK, CopyItemInQVM(session, "Smd", "SO14", "Thru", "SO14", kCell, VARIANT_FALSE, VARIANT_TRUE));
    ASSERT_EQ(S_OK, CopyItemInQVM(session, "Resistors", "R1", "Resistors", "R3", kPart, VARIANT_FALSE, VARIANT_TRUE));
    VARIANT_BOOL noItem = 5;
    ASSERT_EQ(S_OK, DeleteItemFromQVM(session, "Resistors", "R2", kPart, &noItem));

    // Each edit saved: a fresh object sees the result.
    auto fresh = library.OpenAnother("carol");
    EXPECT_EQ((StringList{"SO8", "SO8B"}), CellsIn(*fresh, "Smd"));
    EXPECT_EQ(StringList{"SO14"}, CellsIn(*fresh, "Thru"));
    EXPECT_EQ(StringList{"R3"}, PartsIn(*fresh, "Resistors"));
    store::KelmPart parts(fresh->Store(), nullptr);
    StringList pins;
    EXPECT_EQ(S_OK, parts.GetPinNumbers(pins, "R3"));
    EXPECT_EQ("alice", Holder(*fresh, "Smd", kCell));
    EXPECT_EQ("alice", Holder(*fresh, "Thru", kCell));
    EXPECT_EQ("alice", Holder(*fresh, "Resistors", kPart));
}

TEST_F(FileStoreEdits, ReservationsRoundTripAndAPartitionHeldByAnotherUserIsUntouched) {
    CellPartition("Smd", {{"SO8", {"1"}}});
    ASSERT_EQ(S_OK, session.Save());
    auto bob = library.OpenAnother("bob");
    EXPECT_EQ(S_OK, ReservePartition(session, "Smd", kCell));
    EXPECT_EQ("alice", Holder(*bob, "Smd", kCell));
    EXPECT_LT(ReservePartition(*bob, "Smd", kCell), 0);
    EXPECT_EQ(S_OK, UnReservePartition(session, "Smd", kCell));
    EXPECT_EQ("", Holder(*bob, "Smd", kCell));
    ASSERT_EQ(S_OK, ReservePartition(*bob, "Smd", kCell));
    EXPECT_LT(ReservePartition(session, "Smd", kCell), 0);

    VARIANT_BOOL noItem = 5;
    EXPECT_EQ(E_FAIL, DeleteItemFromQVM(session, "Smd", "SO8", kCell, &noItem));
    EXPECT_EQ(E_FAIL, CopyItemInQVM(session, "Smd", "SO8", "Smd", "SO9", kCell, VARIANT_FALSE, VARIANT_FALSE));
    EXPECT_EQ("bob", Holder(session, "Smd", kCell));
    EXPECT_EQ(StringList{"SO8"}, CellsIn(*library.OpenAnother("carol"), "Smd"));
    EXPECT_EQ(S_OK, UnReservePartition(*bob, "Smd", kCell));
    EXPECT_EQ("", Holder(session, "Smd", kCell));
}

TEST_F(FileStoreEdits, DefaultPadstackIsCreatedOnceAndFoundTheSecondTime) {
    platform::SetClockForTesting([] { return std::int64_t{1650000000}; });
    const std::string file = library.Folder() + "/pads.pdb";
    ASSERT_EQ(S_OK, store::PadstackDBCreate(file));
    ASSERT_EQ(S_OK, CreateDefaultPadstack(session, "DEFAULT", file));
    const auto bytes = [&] {
        std::ifstream in(platform::NativePath(file), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    };
    const std::string afterFirst = bytes();
    ASSERT_EQ(S_OK, CreateDefaultPadstack(session, "DEFAULT", file));
    EXPECT_EQ(afterFirst, bytes());  // found: nothing written
    platform::SetClockForTesting({});

    std::vector<padstackdb::PadstackData> padstacks;
    ASSERT_EQ(S_OK, store::PadstackDBList(file, padstacks));
    ASSERT_EQ(1u, padstacks.size());
    EXPECT_EQ("DEFAULT", padstacks[0].name);
    EXPECT_EQ(3, padstacks[0].type);
    EXPECT_EQ(1650000000, padstacks[0].timestamp);

    EXPECT_LT(CreateDefaultPadstack(session, "DEFAULT", library.Folder() + "/missing.pdb"), 0);
}

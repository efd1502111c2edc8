// The queries through a Kelm object on a copy of the example library.
#include <gtest/gtest.h>
#include "support/KelmOnLibrary.h"

namespace kelm::testing {
namespace {
TEST(Queries, SchemesAndTheirPartitionsByFlags) {
    KelmOnLibrary lib;
    AutoBstr name;
    ASSERT_EQ(lib->GetSearchScheme_Default(name.Out()), S_OK);
    EXPECT_EQ(Text(name.get()), "(Default)");
    AutoSafeArray out;
    ASSERT_EQ(lib->GetSearchScheme_All(out.Out()), S_OK);
    EXPECT_EQ(Strings(out.get()), (Names{"(Default)", "Smd only"}));
    const std::string cells = lib.Folder() + "CellDBLibs\\";
    EXPECT_EQ(lib.Partitions("", kCell), (Names{"Smd", "Thru"}));  // "": the default scheme
    EXPECT_EQ(lib.Partitions("SMD ONLY", kPart), (Names{"Resistors", "Capacitors"}));  // the scheme's order
    EXPECT_EQ(lib.Partitions("", kCell, VARIANT_FALSE, VARIANT_FALSE), (Names{cells + "Smd.cel", cells + "Thru.cel"}));
    EXPECT_EQ(lib.Partitions("", kCell, 1, VARIANT_TRUE), (Names{cells + "Smd", cells + "Thru"}));  // only -1 is true
    EXPECT_EQ(lib.Partitions("", kSymbol, VARIANT_FALSE, VARIANT_TRUE),
              (Names{lib.Folder() + "SymbolLibs\\Gates", lib.Folder() + "SymbolLibs\\Passives"}));
    ASSERT_EQ(lib->GetPartitionList_DefaultSearchScheme(kPart, VARIANT_TRUE, VARIANT_TRUE, out.Out()), S_OK);
    EXPECT_EQ(Strings(out.get()), (Names{"Resistors", "Capacitors", "Logic"}));
    AutoBstr missing = Bstr("Nope");
    EXPECT_EQ(lib->GetPartitionList_SearchScheme(missing.get(), kCell, VARIANT_TRUE, VARIANT_TRUE, out.Out()),
              KELM_E_NO_SUCH_SCHEME);
    EXPECT_EQ(out.get(), nullptr);
}
TEST(Queries, ItemsAndCountsThroughTheFilter) {
    KelmOnLibrary lib;
    EXPECT_EQ(lib.Items("Resistors", "r-08*", kPart), (Names{"R-0805-1K"}));
    EXPECT_EQ(lib.Items("Resistors", "", kPart), Names{});  // empty matches only the empty name
    EXPECT_EQ(lib.Items("Smd", "*", kCell), (Names{"CAP0603", "RES0603", "RES0805", "SOIC14"}));
    EXPECT_EQ(lib.Items("Gates", "n*", kSymbol), (Names{"Gates:NAND2"}));
    // "" and "*" are counted by the store; any other filter counts the matches.
    for (const char* filter : {"", "*", "**"}) EXPECT_EQ(lib.Count("Resistors", filter, kPart), 2) << filter;
    EXPECT_EQ(lib.Count("Smd", "res*", kCell), 2);
    EXPECT_EQ(lib.Count("Smd", "nothing", kCell), 0);
    for (const char* filter : {"", "*"}) EXPECT_EQ(lib.Count("Gates", filter, kSymbol), 2) << filter;
    AutoBstr missing = Bstr("Nope"), all = Bstr("*"), some = Bstr("R*");
    AutoSafeArray out;
    EXPECT_EQ(lib->GetPartitionItems(missing.get(), all.get(), kPart, out.Out()), KELM_E_NO_SUCH_PARTITION);
    EXPECT_EQ(out.get(), nullptr);
    long count = -7;
    EXPECT_EQ(lib->GetPartitionItemsCount(missing.get(), all.get(), kCell, &count), KELM_E_NO_SUCH_PARTITION);
    EXPECT_EQ(lib->GetPartitionItemsCount(missing.get(), some.get(), kCell, &count), KELM_E_NO_SUCH_PARTITION);
    EXPECT_EQ(count, 0);
}
// What the store's random model test does not reach: a needless partition, the excluded one compared with
// case, a symbol lookup without its partition, a miss answered with an empty array rather than none.
TEST(Queries, LookupsPinsAndCellUsage) {
    KelmOnLibrary lib;
    EXPECT_TRUE(lib.Exists("", "thru", "DIP14", kCell));
    EXPECT_FALSE(lib.Exists("", "Thru", "DIP14", kCell));
    EXPECT_FALSE(lib.Exists("resistors", "", "R-0805-1K", kPart));
    EXPECT_EQ(lib.Pins("Anything", "SOIC14", kCell), 14);
    EXPECT_EQ(lib.Pins("", "SN74HC00", kPart), 14);
    AutoBstr none = Bstr(""), nand = Bstr("NAND2");
    long count = -7;
    EXPECT_EQ(lib->GetPinCount(none.get(), nand.get(), kSymbol, &count), KELM_E_NO_SUCH_PARTITION);
    EXPECT_EQ(count, 0);
    AutoBstr unused = Bstr("QFN16");
    AutoSafeArray out;
    ASSERT_EQ(lib->GetPartsUsingThisCell(unused.get(), out.Out()), S_OK);
    EXPECT_NE(out.get(), nullptr);
    EXPECT_EQ(Strings(out.get()), Names{});
    ASSERT_EQ(lib->GetPartitionsStoringThisCell(unused.get(), out.Out()), S_OK);
    EXPECT_NE(out.get(), nullptr);
}
}  // namespace
}  // namespace kelm::testing

// Lookups across the default scheme go to the partitions holding the item:
// each scheme entry still counts as the store resolves it, and what the
// session keeps of the scheme follows every change of its view.
#include <gtest/gtest.h>
#include "support/KelmOnLibrary.h"

namespace kelm::testing {
namespace {

TEST(SchemeLookups, EntriesCountAsTheStoreResolvesThemUntilTheViewChanges) {
    KelmOnLibrary lib;
    EXPECT_TRUE(lib.Exists("", "smd", "SOIC14", kCell));
    // Reloaded, the default scheme names Smd in lower case and Gates twice.
    std::string qvm = ReadFileBytes(lib.Qvm());
    const std::string from = R"("SymbolLibs\\Gates","SymbolLibs\\Passives","CellDBLibs\\Smd.cel")";
    ASSERT_NE(qvm.find(from), std::string::npos);
    qvm.replace(qvm.find(from), from.size(), R"("SymbolLibs\\gates","SymbolLibs\\Gates","CellDBLibs\\smd.cel")");
    std::ofstream(lib.Qvm(), std::ios::binary) << qvm;
    ASSERT_EQ(lib->ReloadQVM(), S_OK);
    EXPECT_EQ(lib.Find("NAND2", kSymbol), "Gates");
    EXPECT_TRUE(lib.Exists("", "", "SOIC14", kCell));
    EXPECT_TRUE(lib.Exists("", "Smd", "SOIC14", kCell));  // excluded with case: "smd" is another entry
    EXPECT_FALSE(lib.Exists("", "smd", "SOIC14", kCell));
    EXPECT_TRUE(lib.Exists("", "Smd", "DIP14", kCell));
    // The session's own edit, then a reload that drops it.
    AutoBstr thru = Bstr("Thru");
    ASSERT_EQ(lib->DeletePartition(thru.get(), kCell), S_OK);
    EXPECT_FALSE(lib.Exists("", "", "DIP14", kCell));
    ASSERT_EQ(lib->ReloadQVM(), S_OK);
    EXPECT_TRUE(lib.Exists("", "", "DIP14", kCell));
}

}  // namespace
}  // namespace kelm::testing

// Partition names in both forms, and the names that must never reach the
// file system.
#include <gtest/gtest.h>

#include "store/format/PartitionNames.h"
#include "store/items/StoreBackend.h"

using namespace kelm::store;

TEST(PartitionNames, PathsAndBareNamesNameTheSamePartition) {
    PartitionId id;
    ASSERT_EQ(S_OK, ParsePartitionName("PartsDBLibs\\Resistors.pdb", kPartitionTypeNone, id));
    EXPECT_EQ(kPartitionTypePart, id.type);
    EXPECT_EQ("Resistors", id.name);
    ASSERT_EQ(S_OK, ParsePartitionName("celldblibs/Smd.CEL", kPartitionTypePart, id));
    EXPECT_EQ(kPartitionTypeCell, id.type);
    EXPECT_EQ("Smd", id.name);
    ASSERT_EQ(S_OK, ParsePartitionName("CellDBLibs\\Smd", kPartitionTypeNone, id));  // folder only
    EXPECT_EQ("Smd", id.name);
    ASSERT_EQ(S_OK, ParsePartitionName("CellDBLibs\\Smd.cel.cel", kPartitionTypeNone, id));
    EXPECT_EQ("Smd.cel", id.name);
    ASSERT_EQ(S_OK, ParsePartitionName("SymbolLibs\\Gates.x", kPartitionTypeNone, id));
    EXPECT_EQ(kPartitionTypeSymbol, id.type);
    EXPECT_EQ("Gates.x", id.name);
    ASSERT_EQ(S_OK, ParsePartitionName("Resistors", kPartitionTypePart, id));
    EXPECT_EQ(kPartitionTypePart, id.type);
    EXPECT_EQ("PartsDBLibs\\Resistors.pdb", RelativePartitionPath(id.type, id.name));
    EXPECT_EQ("SymbolLibs\\Gates", RelativePartitionPath(kPartitionTypeSymbol, "Gates"));
}

TEST(PartitionNames, UnknownAndEmptyNamesAreNoPartition) {
    PartitionId id;
    EXPECT_EQ(KELM_E_NO_SUCH_PARTITION, ParsePartitionName("", kPartitionTypePart, id));
    EXPECT_EQ(KELM_E_NO_SUCH_PARTITION, ParsePartitionName("Resistors", kPartitionTypeNone, id));
    EXPECT_EQ(KELM_E_NO_SUCH_PARTITION, ParsePartitionName("Resistors", kPartitionTypeUnset, id));
    EXPECT_EQ(KELM_E_NO_SUCH_PARTITION, ParsePartitionName("Other\\Resistors.pdb", kPartitionTypePart, id));
    EXPECT_EQ(KELM_E_NO_SUCH_PARTITION, ParsePartitionName("CellDBLibs\\.cel", kPartitionTypeCell, id));
}

TEST(PartitionNames, NamesLeavingTheLibraryFolderAreUnsafe) {
    PartitionId id;
    for (const char* bad : {"..", ".", "..\\x", "\\x", "/x", "C:\\x", "C:x", "PartsDBLibs\\..", "PartsDBLibs\\a\\b",
                            "PartsDBLibs\\..\\..\\x.pdb", "SymbolLibs/../x", "a\x01" "b", "x:y"}) {
        EXPECT_EQ(KELM_E_UNSAFE_PATH, ParsePartitionName(bad, kPartitionTypePart, id)) << bad;
    }
    EXPECT_FALSE(IsSafeFileName(""));
    EXPECT_FALSE(IsSafeFileName("a/b"));
    EXPECT_TRUE(IsSafeFileName("R-10 (1%)"));
}

TEST(PartitionNames, CaseIsIgnoredForAsciiLettersOnly) {
    EXPECT_TRUE(EqualNoCase("Resistors", "rESISTORS"));
    EXPECT_FALSE(EqualNoCase("Resistor", "Resistors"));
    EXPECT_FALSE(EqualNoCase("a\xC9", "a\xE9"));
    EXPECT_EQ("abc\xC9", LowerAscii("AbC\xC9"));
}

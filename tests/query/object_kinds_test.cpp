// Object kinds: store partition types, relative partition paths, folder
// prefixes, refresh words and qualified symbol names.
#include <gtest/gtest.h>

#include "query/ObjectKinds.h"

namespace kelm {
namespace {

KelmEnum_ObjType Kind(long value) { return static_cast<KelmEnum_ObjType>(value); }

TEST(ObjectKinds, StorePartitionTypes) {
    EXPECT_EQ(13, GetStorePartitionType(KelmEnum_ObjType_LogicSymbol));
    EXPECT_EQ(0, GetStorePartitionType(KelmEnum_ObjType_Cell));  // 0 is the cell type
    EXPECT_EQ(7, GetStorePartitionType(KelmEnum_ObjType_PartType));
    for (long other : {0L, 4L, -1L, 22L, 13L}) EXPECT_EQ(22, GetStorePartitionType(Kind(other))) << other;
}

TEST(ObjectKinds, PartitionPathsWithBothFlags) {
    EXPECT_EQ("PartsDBLibs\\Resistors.pdb", BuildPartitionPath("Resistors", KelmEnum_ObjType_PartType, 1, 1));
    EXPECT_EQ("CellDBLibs\\Smd.cel", BuildPartitionPath("Smd", KelmEnum_ObjType_Cell, 1, 1));
    EXPECT_EQ("SymbolLibs\\Gates", BuildPartitionPath("Gates", KelmEnum_ObjType_LogicSymbol, 1, 1));
}

TEST(ObjectKinds, FlagsCountOnlyWhenExactlyOne) {
    EXPECT_EQ("Smd.cel", BuildPartitionPath("Smd", KelmEnum_ObjType_Cell, 0, 1));
    EXPECT_EQ("CellDBLibs\\Smd", BuildPartitionPath("Smd", KelmEnum_ObjType_Cell, 1, 0));
    EXPECT_EQ("Smd", BuildPartitionPath("Smd", KelmEnum_ObjType_Cell, -1, 2));
    EXPECT_EQ("Smd", BuildPartitionPath("Smd", KelmEnum_ObjType_Cell, 0, 0));
}

TEST(ObjectKinds, NamesArePassedAsTheyAre) {
    EXPECT_EQ("CellDBLibs\\Smd.cel.cel", BuildPartitionPath("Smd.cel", KelmEnum_ObjType_Cell, 1, 1));
    EXPECT_EQ("CellDBLibs\\.cel", BuildPartitionPath("", KelmEnum_ObjType_Cell, 1, 1));
    EXPECT_EQ("PartsDBLibs\\ a\\b .pdb", BuildPartitionPath(" a\\b ", KelmEnum_ObjType_PartType, 1, 1));
}

TEST(ObjectKinds, UnknownKindsGiveAnEmptyPath) {
    for (long other : {0L, 4L, -1L}) EXPECT_EQ("", BuildPartitionPath("Smd", Kind(other), 1, 1)) << other;
}

TEST(ObjectKinds, FolderPrefixByStoreType) {
    EXPECT_STREQ("CellDBLibs\\", FolderPrefixOfStoreType(0));
    EXPECT_STREQ("PartsDBLibs\\", FolderPrefixOfStoreType(7));
    EXPECT_STREQ("SymbolLibs\\", FolderPrefixOfStoreType(13));
    for (int other : {22, -1, 1, 2, 3}) EXPECT_EQ(nullptr, FolderPrefixOfStoreType(other)) << other;
}

TEST(ObjectKinds, RefreshWords) {
    EXPECT_EQ("symbols", RefreshWord(KelmEnum_ObjType_LogicSymbol));
    EXPECT_EQ("cells", RefreshWord(KelmEnum_ObjType_Cell));
    EXPECT_EQ("parts", RefreshWord(KelmEnum_ObjType_PartType));
    for (long other : {0L, 4L, -1L}) EXPECT_EQ("", RefreshWord(Kind(other))) << other;
}

TEST(ObjectKinds, QualifiedSymbolNameKeepsBothParts) {
    EXPECT_EQ("Gates:AND2", QualifiedSymbolName("Gates", "AND2"));
    EXPECT_EQ(" gates :and2 ", QualifiedSymbolName(" gates ", "and2 "));
    EXPECT_EQ(":", QualifiedSymbolName("", ""));
}

}  // namespace
}  // namespace kelm

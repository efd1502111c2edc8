// The part number and symbol name rules, and the item specification rewrite.
#include <gtest/gtest.h>

#include "import/ItemNameRules.h"
#include "platform/CodePage.h"

using kelm::AdjustPartNumber;
using kelm::AdjustSymbolName;
using kelm::ReplaceAll;

namespace {

struct Adjusted {
    int changed;
    std::string name;
};
Adjusted PartNumber(std::string name) { const int changed = AdjustPartNumber(name); return {changed, name}; }
Adjusted SymbolName(std::string name) { const int changed = AdjustSymbolName(name); return {changed, name}; }

class DoubleByteNames : public ::testing::Test {
protected:
    void SetUp() override { kelm::platform::SetCodePageForTesting(932); }
    void TearDown() override { kelm::platform::SetCodePageForTesting(0); }
};

}  // namespace

TEST(ItemNameRules, PartNumberRuleReplacesOnlyTheFirstBackslash) {
    EXPECT_EQ(0, PartNumber("RES-10K+1").changed);
    EXPECT_EQ("RES-10K+1", PartNumber("RES-10K+1").name);
    EXPECT_EQ(1, PartNumber("A\\B\\C").changed);
    EXPECT_EQ("A_B\\C", PartNumber("A\\B\\C").name);
    EXPECT_EQ("_", PartNumber("\\").name);
    EXPECT_EQ(0, PartNumber("").changed);
}

TEST(ItemNameRules, SymbolNameRuleReplacesEveryBackslashPlusAndMinus) {
    EXPECT_EQ(1, SymbolName("R-2+C\\1").changed);
    EXPECT_EQ("R_2_C_1", SymbolName("R-2+C\\1").name);
    EXPECT_EQ("_", SymbolName("-").name);
    EXPECT_EQ("a__b", SymbolName("a+-b").name);
    EXPECT_EQ(0, SymbolName("AND2/x_y").changed);
    EXPECT_EQ("AND2/x_y", SymbolName("AND2/x_y").name);
}

TEST_F(DoubleByteNames, TrailBytesThatLookLikeRuleCharactersStay) {
    // 0x81 0x5C is one character in code page 932; its trail byte is '\'.
    const std::string dbcs = "\x81\x5C";
    EXPECT_EQ(0, PartNumber("A" + dbcs).changed);
    EXPECT_EQ("A" + dbcs + "_B\\C", PartNumber("A" + dbcs + "\\B\\C").name);
    // 0x83 0x2D: trail byte '-'; 0x95 0x2B: trail byte '+'.
    EXPECT_EQ(0, SymbolName("\x83\x2D\x95\x2B").changed);
    EXPECT_EQ("\x83\x2D_\x95\x2B_", SymbolName("\x83\x2D-\x95\x2B+").name);
    // A lead byte at the very end stands alone.
    EXPECT_EQ("_\x81", SymbolName("-\x81").name);
}

TEST(ItemNameRules, ItemSpecificationRewriteIsExactAndNonOverlapping) {
    EXPECT_EQ("lib:a_b", ReplaceAll("lib:a+b", "a+b", "a_b"));
    EXPECT_EQ("x_y:x_y", ReplaceAll("x-y:x-y", "x-y", "x_y"));
    EXPECT_EQ("ba", ReplaceAll("aaa", "aa", "b"));
    EXPECT_EQ("lib:A+B", ReplaceAll("lib:A+B", "a+b", "a_b"));  // case counts
    EXPECT_EQ("lib:other", ReplaceAll("lib:other", "a+b", "a_b"));
    EXPECT_EQ("text", ReplaceAll("text", "", "x"));
}

TEST_F(DoubleByteNames, ItemSpecificationMatchesStartOnCharacterBoundaries) {
    // "\x81" "A" is one character; only the standalone A matches.
    EXPECT_EQ("\x81" "Ax", ReplaceAll("\x81" "AA", "A", "x"));
}

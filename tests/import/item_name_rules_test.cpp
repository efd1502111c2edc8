// The part number and symbol name rules, and the item specification rewrite.
#include <gtest/gtest.h>
#include "import/ItemNameRules.h"
#include "platform/CodePage.h"

namespace kelm {
namespace {
struct Rule {
    int codePage;  // 0: the system's
    int (*adjust)(std::string&);
    std::string name, adjusted;  // adjusted equal to name: unchanged, and the rule says 0
};
TEST(ItemNameRules, NameRulesAndTheItemSpecificationRewriteKeepCharactersWhole) {
    const auto part = AdjustPartNumber;
    const auto symbol = AdjustSymbolName;
    const Rule rules[] = {
        {0, part, "RES-10K+1", "RES-10K+1"}, {0, part, "A\\B\\C", "A_B\\C"}, {0, part, "\\", "_"}, {0, part, "", ""},
        {0, symbol, "R-2+C\\1", "R_2_C_1"},  {0, symbol, "a+-b", "a__b"},    {0, symbol, "AND2/x_y", "AND2/x_y"},
        // In code page 932, 0x81 0x5C, 0x83 0x2D and 0x95 0x2B are one character each, with trail
        // bytes '\', '-' and '+'; a lead byte at the very end stands alone.
        {932, part, "A\x81\x5C", "A\x81\x5C"},   {932, part, "A\x81\x5C\\B\\C", "A\x81\x5C_B\\C"},
        {932, symbol, "\x83\x2D\x95\x2B", "\x83\x2D\x95\x2B"}, {932, symbol, "\x83\x2D-\x95\x2B+", "\x83\x2D_\x95\x2B_"},
        {932, symbol, "-\x81", "_\x81"},
    };
    for (const Rule& rule : rules) {
        platform::SetCodePageForTesting(rule.codePage);
        std::string name = rule.name;
        const int changed = rule.adjust(name);
        EXPECT_EQ(name, rule.adjusted) << rule.name;
        EXPECT_EQ(changed, name == rule.name ? 0 : 1) << rule.name;
    }
    platform::SetCodePageForTesting(0);
    EXPECT_EQ("x_y:x_y", ReplaceAll("x-y:x-y", "x-y", "x_y"));
    EXPECT_EQ("ba", ReplaceAll("aaa", "aa", "b"));
    EXPECT_EQ("lib:A+B", ReplaceAll("lib:A+B", "a+b", "a_b"));  // case counts
    EXPECT_EQ("text", ReplaceAll("text", "", "x"));
    platform::SetCodePageForTesting(932);
    EXPECT_EQ("\x81" "Ax", ReplaceAll("\x81" "AA", "A", "x"));  // "\x81" "A" is one character
    platform::SetCodePageForTesting(0);
}
}  // namespace
}  // namespace kelm

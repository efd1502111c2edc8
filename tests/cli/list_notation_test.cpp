#include <gtest/gtest.h>

#include "ListNotation.h"

namespace kelmcli {
namespace {

TEST(ListNotation, SplitsTrimsAndSkipsEmptyValues) {
    EXPECT_EQ(SplitList(" 1, 2 ,,3 ", ','), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_TRUE(SplitList("", ',').empty());
    EXPECT_TRUE(SplitList(" , ", ',').empty());
    EXPECT_EQ(JoinList({"A", "B"}, ','), "A,B");
}

TEST(ListNotation, RefsWithAndWithoutPins) {
    std::vector<Ref> refs;
    std::string error;
    ASSERT_TRUE(ParseRefs("SOIC8[1, 2,3] ; DIP8;Gates:NAND2[]", refs, error)) << error;
    ASSERT_EQ(refs.size(), 3u);
    EXPECT_EQ(refs[0], (Ref{"SOIC8", std::vector<std::string>{"1", "2", "3"}}));
    EXPECT_EQ(refs[1], (Ref{"DIP8", std::nullopt}));
    EXPECT_EQ(refs[2], (Ref{"Gates:NAND2", std::vector<std::string>{}}));
    // Formatting gives back what parsing reads.
    std::vector<Ref> again;
    ASSERT_TRUE(ParseRefs(FormatRefs(refs), again, error));
    EXPECT_EQ(again, refs);
    EXPECT_EQ(FormatRefs(refs), "SOIC8[1,2,3];DIP8;Gates:NAND2[]");
}

TEST(ListNotation, SemicolonInsideBracketsDoesNotEndTheEntry) {
    std::vector<Ref> refs;
    std::string error;
    ASSERT_TRUE(ParseRefs("A[1;2]", refs, error));
    ASSERT_EQ(refs.size(), 1u);
    EXPECT_EQ(refs[0].name, "A");
}

TEST(ListNotation, MalformedRefsAreRefusedWithAReason) {
    std::vector<Ref> refs;
    std::string error;
    for (const char* bad : {"A[1,2", "A]1", "A[1]x", "[1,2]", "A[[1]]"}) {
        error.clear();
        EXPECT_FALSE(ParseRefs(bad, refs, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    EXPECT_TRUE(ParseRefs("", refs, error));
    EXPECT_TRUE(refs.empty());
}

}  // namespace
}  // namespace kelmcli

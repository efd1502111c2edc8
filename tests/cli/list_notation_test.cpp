#include <gtest/gtest.h>

#include "ListNotation.h"

namespace kelmcli {
namespace {

TEST(ListNotation, SplitTrimsAndSkipsEmptyValues) {
    EXPECT_EQ(SplitList(" 1, 2 ,,3 ", ','), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_TRUE(SplitList(" , ", ',').empty());
}

// Each input parses to refs that format back to the text given, or is
// refused with a reason.
TEST(ListNotation, RefsFormatBackToWhatTheyParseOrAreRefused) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"SOIC8[1, 2,3] ; DIP8;Gates:NAND2[]", "SOIC8[1,2,3];DIP8;Gates:NAND2[]"},
        {"A[1;2]", "A[1;2]"},  // a semicolon inside brackets ends no entry
        {"", ""},
        {"A[1,2", "!"}, {"A]1", "!"}, {"A[1]x", "!"}, {"[1,2]", "!"}, {"A[[1]]", "!"},
    };
    for (const auto& [text, formatted] : cases) {
        std::vector<Ref> refs;
        std::string error;
        const bool ok = ParseRefs(text, refs, error);
        EXPECT_EQ(ok, formatted != "!") << text << ": " << error;
        if (ok) {
            EXPECT_EQ(FormatRefs(refs), formatted) << text;
        } else {
            EXPECT_FALSE(error.empty()) << text;
        }
    }
    std::vector<Ref> refs;
    std::string error;
    ASSERT_TRUE(ParseRefs("DIP8;X[]", refs, error));
    EXPECT_EQ(refs[0].pins, std::nullopt);  // no brackets: no pins of its own
    EXPECT_EQ(refs[1].pins, std::vector<std::string>{});
}

}  // namespace
}  // namespace kelmcli

#include "query/ItemFilter.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <random>

namespace kelm {
namespace {
// Plain backtracking: the reference the real matcher must agree with.
bool ReferenceMatch(const char* pattern, const char* text) {
    if (*pattern == '*') return ReferenceMatch(pattern + 1, text) || (*text != '\0' && ReferenceMatch(pattern, text + 1));
    if (*text == '\0') return *pattern == '\0';
    return (*pattern == '?' || *pattern == *text) && ReferenceMatch(pattern + 1, text + 1);
}
// Randomized, reproducible with KELM_TEST_SEED. Wildcards occur in the texts
// too, where they are ordinary characters.
TEST(MatchWildcard, AgreesWithBacktrackingOnRandomPatternsAndTexts) {
    const char* given = std::getenv("KELM_TEST_SEED");
    const unsigned seed = given ? static_cast<unsigned>(std::strtoul(given, nullptr, 10)) : 20261205u;
    SCOPED_TRACE("KELM_TEST_SEED=" + std::to_string(seed));
    std::mt19937 random(seed);
    const auto randomString = [&](std::size_t maxLength) {
        std::string text(random() % (maxLength + 1), ' ');
        for (char& c : text) c = "ab*?"[random() % 4];
        return text;
    };
    int matches = 0;
    for (int i = 0; i < 200000; ++i) {
        const std::string pattern = randomString(8), text = randomString(10);
        const bool expected = ReferenceMatch(pattern.c_str(), text.c_str());
        ASSERT_EQ(MatchWildcard(pattern, text), expected) << "pattern '" << pattern << "' text '" << text << "'";
        matches += expected ? 1 : 0;
    }
    EXPECT_GT(matches, 20000);  // both answers are common, or the comparison proves little
    EXPECT_LT(matches, 180000);
}
TEST(MatchWildcard, ComparesBytesWithCaseAndManyStarGroupsDoNotExplode) {
    EXPECT_FALSE(MatchWildcard("R1", "r1"));  // lower-casing is the filter's job
    EXPECT_TRUE(MatchWildcard("?\xA4", "\xC3\xA4"));
    std::string pattern;  // full backtracking would try on the order of 200^40 splits
    for (int i = 0; i < 40; ++i) pattern += "*a";
    EXPECT_FALSE(MatchWildcard(pattern + "b", std::string(200, 'a')));
    EXPECT_TRUE(MatchWildcard(pattern, std::string(200, 'a')));
    EXPECT_FALSE(MatchWildcard(pattern, std::string(39, 'a')));
}
TEST(FilterItemList, MatchesWithoutCaseForAsciiOnlyAndKeepsSpellingAndOrder) {
    StringList out{"stale"};
    FilterItemList("r1*", {"R10", "C1", "r11", "R1", "xr1"}, out);
    EXPECT_EQ(out, (StringList{"R10", "r11", "R1"}));
    FilterItemList("nothing", {"a"}, out);
    EXPECT_TRUE(out.empty());
    FilterItemList("\xC3\x84*", {"\xC3\xA4x", "\xC3\x84y"}, out);  // a UTF-8 sequence is never altered
    EXPECT_EQ(out, StringList{"\xC3\x84y"});
#ifndef _WIN32
    FilterItemList("\xC4?", {"\xE4" "a", "\xC4" "A"}, out);  // off Windows only ASCII letters have a lower case
    EXPECT_EQ(out, StringList{"\xC4" "A"});
#endif
}
}  // namespace
}  // namespace kelm

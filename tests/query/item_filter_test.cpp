#include "query/ItemFilter.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace kelm {
namespace {

// The backtracking matcher written out step by step as the item filter is
// defined; kept here only as the reference the real matcher must agree with.
bool ReferenceMatch(const char* pattern, const char* text) {
    while (*pattern != '*') {
        if (*pattern == '\0') return *text == '\0';
        if (*pattern == '?') {
            if (*text == '\0') return false;
        } else if (*text != *pattern) {
            return false;
        }
        ++pattern;
        ++text;
    }
    while (*pattern == '*') ++pattern;
    if (*pattern == '\0') return true;
    if (*text == '\0') return false;
    const char anchor = *pattern;
    for (;;) {
        if (anchor != '?') {
            while (*text != anchor) {
                if (*text == '\0') return false;
                ++text;
            }
        }
        ++text;
        if (ReferenceMatch(pattern + 1, text)) return true;
        if (*text == '\0') return false;
    }
}

std::string RandomString(std::mt19937& random, std::size_t maxLength) {
    static const char kAlphabet[] = {'a', 'b', '*', '?'};
    std::uniform_int_distribution<std::size_t> length(0, maxLength);
    std::uniform_int_distribution<int> pick(0, 3);
    std::string text(length(random), ' ');
    for (char& c : text) c = kAlphabet[pick(random)];
    return text;
}

TEST(MatchWildcard, AgreesWithBacktrackingOnRandomPatternsAndTexts) {
    std::mt19937 random(20261205);
    int matches = 0;
    for (int i = 0; i < 300000; ++i) {
        const std::string pattern = RandomString(random, 8);
        const std::string text = RandomString(random, 10);
        const bool expected = ReferenceMatch(pattern.c_str(), text.c_str());
        ASSERT_EQ(MatchWildcard(pattern, text), expected) << "pattern '" << pattern << "' text '" << text << "'";
        matches += expected ? 1 : 0;
    }
    // Both answers must be common, or the comparison proves little.
    EXPECT_GT(matches, 30000);
    EXPECT_LT(matches, 270000);
}

TEST(MatchWildcard, CoversTheWholeTextByteByByte) {
    EXPECT_TRUE(MatchWildcard("", ""));
    EXPECT_FALSE(MatchWildcard("", "a"));
    EXPECT_TRUE(MatchWildcard("*", ""));
    EXPECT_TRUE(MatchWildcard("**", "abc"));
    EXPECT_FALSE(MatchWildcard("?", ""));
    EXPECT_FALSE(MatchWildcard("*a", ""));
    EXPECT_TRUE(MatchWildcard("r?", "r1"));
    EXPECT_FALSE(MatchWildcard("r?", "r"));
    EXPECT_FALSE(MatchWildcard("r?", "r10"));
    EXPECT_TRUE(MatchWildcard("*0", "r10"));
    EXPECT_FALSE(MatchWildcard("*0", "r01x"));
    EXPECT_FALSE(MatchWildcard("R1", "r1"));  // with case: lower-casing is the filter's job
    // Wildcards in the text are ordinary characters.
    EXPECT_FALSE(MatchWildcard("a", "*"));
    EXPECT_TRUE(MatchWildcard("?", "*"));
    EXPECT_TRUE(MatchWildcard("a*?", "a?"));
    EXPECT_FALSE(MatchWildcard("ab", "a?"));
    // Bytes above 0x7F compare as themselves.
    EXPECT_TRUE(MatchWildcard("\xC3\xA4*", "\xC3\xA4x"));
    EXPECT_TRUE(MatchWildcard("?\xA4", "\xC3\xA4"));
}

TEST(MatchWildcard, ManyStarGroupsDoNotExplode) {
    // A full backtracking search would try on the order of 200^40 splits.
    std::string pattern;
    for (int i = 0; i < 40; ++i) pattern += "*a";
    const std::string text(200, 'a');
    EXPECT_FALSE(MatchWildcard(pattern + "b", text));
    EXPECT_TRUE(MatchWildcard(pattern, text));
    EXPECT_FALSE(MatchWildcard(pattern, std::string(39, 'a')));
}

TEST(FilterItemList, MatchesWithoutCaseAndKeepsSpellingAndOrder) {
    StringList out{"stale"};
    FilterItemList("r1*", {"R10", "C1", "r11", "R1", "xr1"}, out);
    EXPECT_EQ(out, (StringList{"R10", "r11", "R1"}));
    FilterItemList("GATES:and*", {"Gates:AND2", "gates:Or"}, out);
    EXPECT_EQ(out, StringList{"Gates:AND2"});
    FilterItemList("nothing", {"a"}, out);
    EXPECT_TRUE(out.empty());
}

TEST(FilterItemList, BytesAboveAsciiAreLeftToTheCodePage) {
    // A UTF-8 sequence is never split or altered by the lower-casing.
    StringList out;
    FilterItemList("\xC3\x84*", {"\xC3\xA4x", "\xC3\x84y"}, out);
    EXPECT_EQ(out, StringList{"\xC3\x84y"});
#ifndef _WIN32
    // Off Windows only ASCII letters have a lower-case form.
    FilterItemList("\xC4?", {"\xE4" "a", "\xC4" "A"}, out);
    EXPECT_EQ(out, StringList{"\xC4" "A"});
#endif
}

}  // namespace
}  // namespace kelm

// The JSON Lines reader and writer: what the writer escapes comes back
// byte for byte, and the reader refuses what the writer never produces.
#include <gtest/gtest.h>

#include "store/format/JsonLines.h"

using namespace kelm;
using namespace kelm::store;

namespace {
bool ReadOne(const std::string& line, std::string& value, std::string& error) {
    return jsonl::ReadLines(jsonl::Header("t", 1) + line, "t", "f", [&](jsonl::Cursor& cursor) {
        std::string_view key;
        if (!cursor.BeginObject() || !cursor.NextKey(key) || key != "s") return cursor.Fail("want s");
        if (!cursor.String(value)) return false;
        if (cursor.NextKey(key)) return cursor.UnknownKey(key);
        return cursor.Error().empty();
    }, error);
}
}  // namespace

TEST(JsonLines, EveryByteValueRoundTrips) {
    std::string all;
    for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
    std::string line;
    jsonl::LineWriter(line).Str("s", all).End();
    EXPECT_EQ(std::string::npos, line.find('\n', 0) == line.size() - 1 ? std::string::npos : 0u);
    std::string back, error;
    ASSERT_TRUE(ReadOne(line, back, error)) << error;
    EXPECT_EQ(all, back);
}

TEST(JsonLines, ListsAndNestedArraysRoundTrip) {
    std::string text = jsonl::Header("t", 1);
    jsonl::LineWriter writer(text);
    writer.List("l", {"a", "", "c\"d"}).Int("n", -42).BeginArray("o");
    writer.BeginElement().Str("x", "1").EndElement().BeginElement().Str("x", "2").EndElement();
    writer.EndArray().List("e", {}).End();
    EXPECT_EQ("{\"l\":[\"a\",\"\",\"c\\\"d\"],\"n\":-42,\"o\":[{\"x\":\"1\"},{\"x\":\"2\"}],\"e\":[]}\n",
              text.substr(text.find('\n') + 1));
    StringList list, empty;
    std::int64_t number = 0;
    std::vector<std::string> xs;
    std::string error;
    ASSERT_TRUE(jsonl::ReadLines(text, "t", "f", [&](jsonl::Cursor& cursor) {
        std::string_view key;
        cursor.BeginObject();
        while (cursor.NextKey(key)) {
            if (key == "l") cursor.List(list);
            else if (key == "n") cursor.Int(number);
            else if (key == "e") cursor.List(empty);
            else if (key == "o") {
                cursor.BeginArray();
                while (cursor.NextElement()) {
                    std::string_view inner;
                    while (cursor.NextKey(inner)) {
                        xs.emplace_back();
                        cursor.String(xs.back());
                    }
                }
            }
        }
        return cursor.Error().empty();
    }, error)) << error;
    EXPECT_EQ((StringList{"a", "", "c\"d"}), list);
    EXPECT_EQ(-42, number);
    EXPECT_EQ((std::vector<std::string>{"1", "2"}), xs);
    EXPECT_TRUE(empty.empty());
}

TEST(JsonLines, MalformedLinesAreRefusedWithTheirLineNumber) {
    std::string value, error;
    for (const std::string bad : {"{\"s\":\"a\"\n", "{\"s\":\"a\"}x\n", "{\"s\":\"a\tb\"}\n", "{\"s\":\"\\q\"}\n",
                                  "{\"s\":\"\\u12\"}\n", "{s:\"a\"}\n", "{\"s\":\"a\",}\n", "{\"s\":\"a\"}", "\n",
                                  "{\"s\":\"a\"}\n{\"s\":\"b\"}\n"}) {
        EXPECT_FALSE(ReadOne(bad, value, error)) << bad;
        EXPECT_EQ(0u, error.find("f, line ")) << error;
    }
    EXPECT_FALSE(jsonl::ReadLines("", "t", "f", [](jsonl::Cursor&) { return true; }, error));
    EXPECT_EQ("f, line 1: the file is empty", error);
    EXPECT_FALSE(jsonl::ReadLines(jsonl::Header("t", 2) + "{}\n", "t", "f", [](jsonl::Cursor& c) {
        std::string_view key;
        c.BeginObject();
        return !c.NextKey(key) && c.Error().empty();
    }, error));
    EXPECT_NE(std::string::npos, error.find("cut short: 1 of 2")) << error;
}

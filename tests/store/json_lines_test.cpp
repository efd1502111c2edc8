// The JSON Lines reader and writer: what the writer escapes comes back byte for byte, and the reader refuses what the
// writer never produces.
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
    EXPECT_EQ(line.size() - 1, line.find('\n'));  // one line, whatever the bytes
    std::string back, error;
    ASSERT_TRUE(ReadOne(line, back, error)) << error;
    EXPECT_EQ(all, back);
}

TEST(JsonLines, MalformedLinesAreRefusedWithTheirLineNumber) {
    std::string value, error;
    for (const std::string bad : {"{\"s\":\"a\"}x\n", "{\"s\":\"\\q\"}\n", "{\"s\":\"\\u12\"}\n", "{\"s\":\"\\u1000\"}\n",
                                  "{s:\"a\"}\n", "{\"s\":\"a\",}\n", "\n", "{\"s\":\"a\"}\n{\"s\":\"b\"}\n"}) {
        EXPECT_FALSE(ReadOne(bad, value, error)) << bad;
        EXPECT_EQ(0u, error.find("f, line ")) << error;
    }
    EXPECT_FALSE(jsonl::ReadLines("", "t", "f", [](jsonl::Cursor&) { return true; }, error));
    EXPECT_EQ("f, line 1: the file is empty", error);
}

#include <gtest/gtest.h>

#include "Csv.h"

namespace kelmcli {
namespace {

struct Read {
    std::vector<std::string> fields;
    long line;
    std::string error;
};

std::vector<Read> ReadAll(std::string_view text, char delimiter = ',') {
    CsvReader reader(text, delimiter);
    std::vector<Read> records;
    Read record;
    while (reader.Next(record.fields, record.line, record.error)) records.push_back(record);
    return records;
}

using Fields = std::vector<std::string>;

TEST(Csv, QuotedFieldsHoldDelimitersQuotesAndLineBreaks) {
    const auto records = ReadAll("a,b,c\r\n\"1,2\",\"say \"\"hi\"\"\",\"two\nlines\"\n\nx,,\n");
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1].fields, (Fields{"1,2", "say \"hi\"", "two\nlines"}));
    EXPECT_EQ(records[2].fields, (Fields{"x", "", ""}));
    // The record after a quoted line break and a blank line starts on line 5.
    EXPECT_EQ(records[2].line, 5);
    for (const auto& record : records) EXPECT_EQ(record.error, "");
    EXPECT_EQ(ReadAll("a;\"b;c\";x\ty", ';')[0].fields, (Fields{"a", "b;c", "x\ty"}));
    EXPECT_EQ(ReadAll("a\t5\" tube", '\t')[0].fields, (Fields{"a", "5\" tube"}));  // a quote inside a field is text
}

// A stray quote never merges rows: the suspect record is an error and the
// lines after its start are read again as records of their own.
TEST(Csv, StrayQuotesAndControlCharactersAreErrorsAndMergeNothing) {
    struct Case {
        std::string_view text;
        std::vector<long> lines;  // of every record
        std::vector<bool> failed;
    };
    const Case cases[] = {
        {"Q1,\"unterminated,1,c\nQ2,ok,\"1,2\",c\n", {1, 2}, {true, false}},  // text after a closing quote
        {"a\n\"open,\nmore\n", {1, 2, 3}, {false, true, false}},            // never closed
        {"Q1,\"x\"y,1\nQ2,2\n", {1, 2}, {true, false}},
        {std::string_view("\0\0\0\nok\n", 7), {1, 2}, {true, false}},
        {"a,b\x01,c\n", {1}, {true}},
    };
    for (const Case& c : cases) {
        const auto records = ReadAll(c.text);
        ASSERT_EQ(records.size(), c.lines.size()) << c.text;
        for (std::size_t i = 0; i < records.size(); ++i) {
            EXPECT_EQ(records[i].line, c.lines[i]) << c.text << " record " << i;
            EXPECT_EQ(!records[i].error.empty(), c.failed[i]) << c.text << " record " << i << ": " << records[i].error;
        }
    }
}

TEST(Csv, TheDelimiterIsTheCommonestOfTheHeaderLineOutsideQuotes) {
    EXPECT_EQ(DetectDelimiter("number;name;cells\nR1,a;b\n"), ';');
    EXPECT_EQ(DetectDelimiter("number\tname\n"), '\t');
    EXPECT_EQ(DetectDelimiter("\n\"a;b;c\",d\n"), ',');
    EXPECT_EQ(DetectDelimiter("number\n"), ',');
    EXPECT_EQ(DetectDelimiter(""), ',');
}

TEST(Csv, WriterQuotesOnlyWhatNeedsItAndReadsBack) {
    const Fields fields = {"plain", "1,2", "q\"q", "", " padded", "line\nbreak", "a;b"};
    for (const char delimiter : {',', ';'}) {
        const std::string record = CsvRecord(fields, delimiter);
        EXPECT_EQ(record.substr(0, 6), std::string("plain") + delimiter);
        const auto records = ReadAll(record + "\n", delimiter);
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].fields, fields);
    }
}

}  // namespace
}  // namespace kelmcli

#include <gtest/gtest.h>

#include "Csv.h"

namespace kelmcli {
namespace {

std::vector<std::vector<std::string>> ReadAll(std::string_view text, std::vector<long>* lines = nullptr,
                                              std::string* lastError = nullptr) {
    CsvReader reader(text);
    std::vector<std::vector<std::string>> records;
    std::vector<std::string> fields;
    long line = 0;
    std::string error;
    while (reader.Next(fields, line, error)) {
        records.push_back(fields);
        if (lines) lines->push_back(line);
        if (lastError && !error.empty()) *lastError = error;
    }
    return records;
}

TEST(Csv, QuotedFieldsHoldSeparatorsQuotesAndNewlines) {
    std::vector<long> lines;
    const auto records = ReadAll("a,b,c\r\n\"1,2\",\"say \"\"hi\"\"\",\"two\nlines\"\nx,,\n", &lines);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1], (std::vector<std::string>{"1,2", "say \"hi\"", "two\nlines"}));
    EXPECT_EQ(records[2], (std::vector<std::string>{"x", "", ""}));
    // The record after a quoted newline starts on line 4.
    EXPECT_EQ(lines, (std::vector<long>{1, 2, 4}));
}

TEST(Csv, BlankLinesAreSkippedButCountedAndTheLastRecordNeedsNoLineEnd) {
    std::vector<long> lines;
    const auto records = ReadAll("h\n\n\r\nv,w", &lines);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1], (std::vector<std::string>{"v", "w"}));
    EXPECT_EQ(lines, (std::vector<long>{1, 4}));
}

TEST(Csv, AnOpenQuoteIsReportedAndEndsTheFile) {
    std::string error;
    const auto records = ReadAll("a\n\"open,\nmore\n", nullptr, &error);
    EXPECT_EQ(records.size(), 2u);
    EXPECT_FALSE(error.empty());
}

TEST(Csv, WriterQuotesOnlyWhatNeedsItAndReadsBack) {
    const std::vector<std::string> fields = {"plain", "1,2", "q\"q", "", " padded", "line\nbreak"};
    const std::string record = CsvRecord(fields);
    EXPECT_EQ(record.substr(0, 6), "plain,");
    const auto records = ReadAll(record + "\n");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0], fields);
}

}  // namespace
}  // namespace kelmcli

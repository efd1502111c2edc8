// The import readers: what the end-to-end imports do not reach.
#include <gtest/gtest.h>
#include "ImportRows.h"
#include "ListNotation.h"

namespace kelmcli {
namespace {
using Strings = std::vector<std::string>;
TEST(ListNotation, RefsFormatBackToWhatTheyParseOrAreRefused) {
    for (const auto& [text, formatted] : std::vector<std::pair<std::string, std::string>>{
             {"SOIC8[1, 2,3] ; DIP8;Gates:NAND2[]", "SOIC8[1,2,3];DIP8;Gates:NAND2[]"},
             {"A[1;2]", "A[1;2]"},  // a semicolon inside brackets ends no entry
             {"", ""}, {"A[1,2", "!"}, {"A]1", "!"}, {"A[1]x", "!"}, {"[1,2]", "!"}, {"A[[1]]", "!"}}) {
        std::vector<Ref> refs;
        std::string error;
        EXPECT_EQ(ParseRefs(text, refs, error), formatted != "!") << text << ": " << error;
        EXPECT_TRUE(formatted == "!" ? !error.empty() : FormatRefs(refs) == formatted) << text << ": " << FormatRefs(refs);
    }
    EXPECT_EQ(SplitList(" 1, 2 ,,3 ", ','), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(GuessFormat("a.JSONL"), FileFormat::JsonLines);
    EXPECT_EQ(GuessFormat("a.ndjson"), FileFormat::JsonLines);
    EXPECT_EQ(GuessFormat("a.txt"), FileFormat::Csv);
}
TEST(ImportRows, CsvColumnsInAnyOrderAndCaseBadRowsWithTheirLinesAndHeaderProblems) {
    std::string error;
    const auto rows = ReadPartRows(
        "Symbols,Number,cells,PINS,partition,name,label,type,description,timestamp\n"
        "\"Gates:RES[A,B];Gates:X\",R1,\"R0603;R0805[1,2,3]\",\"1,2\",Res,Res 1k,R?,Resistor,\"thick, 1%\",42\n",
        FileFormat::Csv, error);
    ASSERT_EQ(rows.size(), 1u) << error;
    const PartRow& r = rows[0];
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.partition + "|" + r.number + "|" + r.label + "|" + r.type + "|" + r.description, "Res|R1|R?|Resistor|thick, 1%");
    EXPECT_EQ(r.timestamp, 42);
    ASSERT_EQ(r.cells.size(), 2u);
    EXPECT_EQ(r.cells[0].pins, (Strings{"1", "2"}));  // a cell without its own pins takes the part's
    EXPECT_EQ(r.cells[1].pins, (Strings{"1", "2", "3"}));
    ASSERT_EQ(r.symbols.size(), 2u);
    EXPECT_EQ(r.symbols[0].itemSpec + "|" + r.symbols[0].name, "Gates:RES|RES");
    EXPECT_EQ(r.symbols[0].pins, (Strings{"A", "B"}));
    EXPECT_TRUE(r.symbols[1].pins.empty());
    // Without --multiline both halves of a quoted line break are errors, so
    // neither a stray quote nor a line break merges or invents a row.
    const std::string text = "number,timestamp,cells\n"
                             "OK1,,\n"
                             "T,soon,\n"
                             "\"multi\nline\",,\n"
                             "Z,99999999999,\n";  // out of 32 bits
    const auto bad = ReadPartRows(text, FileFormat::Csv, error);
    ASSERT_EQ(bad.size(), 5u);
    const std::vector<std::pair<long, std::string>> expected = {
        {2, ""}, {3, "timestamp"}, {4, "line break inside quotes"}, {5, "quote inside an unquoted field"}, {6, "timestamp"}};
    for (std::size_t i = 0; i < bad.size(); ++i) {
        EXPECT_EQ(bad[i].line, expected[i].first);
        EXPECT_EQ(bad[i].error.empty(), expected[i].second.empty()) << bad[i].line << ": " << bad[i].error;
        EXPECT_NE(bad[i].error.find(expected[i].second), std::string::npos) << bad[i].error;
    }
    const auto multiline = ReadPartRows(text, FileFormat::Csv, error, CsvOptions{',', true});
    ASSERT_EQ(multiline.size(), 4u);
    EXPECT_EQ(multiline[2].number, "multi\nline");
    EXPECT_EQ(multiline[3].line, 6);
    for (const auto& [header, says] : std::vector<std::pair<std::string, std::string>>{
             {"name,label\nx,y\n", "\"number\""}, {"number,colour\n", "colour"}}) {
        error.clear();
        EXPECT_TRUE(ReadPartRows(header, FileFormat::Csv, error).empty());
        EXPECT_NE(error.find(says), std::string::npos) << error;
    }
    error.clear();
    EXPECT_TRUE(ReadCellRows("", FileFormat::Csv, error).empty());
    EXPECT_FALSE(error.empty());
    error.clear();
    // The columns of a cell export, after a byte-order mark.
    const auto cells = ReadCellRows("\xEF\xBB\xBFpartition,name,pins,timestamp,padstacks\nSmd,R0603,\"1,2\",7,P1\n,,,,\n",
                                    FileFormat::Csv, error);
    ASSERT_EQ(cells.size(), 2u) << error;
    EXPECT_EQ(cells[0].pins, (Strings{"1", "2"}));
    EXPECT_EQ(cells[0].timestamp, 7);
    EXPECT_EQ(cells[1].error, "no cell name");
}
TEST(ImportRows, JsonLinesTakeShortOrRecordNamesAndBadLinesAreRowErrors) {
    std::string error;
    const auto rows = ReadPartRows(
        R"({"number":"R1","pins":["1",2],"cells":["R0603",{"name":"R0805","pins":"1,2,3"}],"symbols":[{"spec":"Gates:RES","pins":["A"]}]})"
        "\n\n"
        R"({"m_sPartNumber":"R2","m_psarrCells":[{"m_sCellName":"C1"}],"m_psarrLogicSymbols":"Gates:X[Y]","m_nTimeStamp":"6"})"
        "\nnot json\n[1,2]\n{\"number\":7}\n{\"number\":\"B\",\"colour\":\"red\"}\n{\"number\":\"C\",\"pins\":{\"a\":1}}\n",
        FileFormat::JsonLines, error);
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[0].error + rows[1].error, "");
    EXPECT_EQ(rows[0].pins, (Strings{"1", "2"}));
    EXPECT_EQ(rows[0].cells[1].pins.size(), 3u);
    EXPECT_EQ(rows[0].symbols[0].name, "RES");
    EXPECT_EQ(rows[1].line, 3);
    EXPECT_EQ(rows[1].number, "R2");
    EXPECT_EQ(rows[1].timestamp, 6);
    EXPECT_EQ(rows[1].symbols[0].pins, (Strings{"Y"}));
    for (std::size_t i = 2; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].line, static_cast<long>(i + 2));
        EXPECT_FALSE(rows[i].error.empty()) << "line " << rows[i].line;
    }
    EXPECT_NE(rows[5].error.find("colour"), std::string::npos);
    const auto cells = ReadCellRows("{\"m_sCellName\":\"C\",\"m_psarrPins\":[\"1\"]}\n", FileFormat::JsonLines, error);
    ASSERT_EQ(cells.size(), 1u);
    EXPECT_EQ(cells[0].name, "C");
    EXPECT_EQ(cells[0].pins, (Strings{"1"}));
}
}  // namespace
}  // namespace kelmcli

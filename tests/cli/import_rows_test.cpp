#include <gtest/gtest.h>

#include "ImportRows.h"

namespace kelmcli {
namespace {

TEST(ImportRows, FormatFollowsTheExtension) {
    EXPECT_EQ(GuessFormat("a.csv"), FileFormat::Csv);
    EXPECT_EQ(GuessFormat("a.JSONL"), FileFormat::JsonLines);
    EXPECT_EQ(GuessFormat("a.ndjson"), FileFormat::JsonLines);
    EXPECT_EQ(GuessFormat("a.txt"), FileFormat::Csv);
}

TEST(ImportRows, CsvPartsWithEveryColumnInAnyOrderAndCase) {
    std::string error;
    const auto rows = ReadPartRows(
        "Symbols,Number,cells,PINS,partition,name,label,type,description,timestamp\n"
        "\"Gates:RES[A,B];Gates:X\",R1,\"R0603;R0805[1,2,3]\",\"1,2\",Res,Res 1k,R?,Resistor,\"thick, 1%\",42\n",
        FileFormat::Csv, error);
    ASSERT_TRUE(error.empty()) << error;
    ASSERT_EQ(rows.size(), 1u);
    const PartRow& r = rows[0];
    EXPECT_TRUE(r.error.empty()) << r.error;
    EXPECT_EQ(r.line, 2);
    EXPECT_EQ(r.partition, "Res");
    EXPECT_EQ(r.number, "R1");
    EXPECT_EQ(r.description, "thick, 1%");
    EXPECT_EQ(r.timestamp, 42);
    ASSERT_EQ(r.cells.size(), 2u);
    // A cell without its own pins takes the part's pins.
    EXPECT_EQ(r.cells[0].pins, (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(r.cells[1].pins, (std::vector<std::string>{"1", "2", "3"}));
    ASSERT_EQ(r.symbols.size(), 2u);
    EXPECT_EQ(r.symbols[0].itemSpec, "Gates:RES");
    EXPECT_EQ(r.symbols[0].name, "RES");
    EXPECT_EQ(r.symbols[0].pins, (std::vector<std::string>{"A", "B"}));
    EXPECT_TRUE(r.symbols[1].pins.empty());
}

TEST(ImportRows, CsvBadRowsCarryTheirLineAndReason) {
    const std::string text = "number,timestamp,cells\n"
                             "OK1,,\n"
                             ",1,\n"                // no part number
                             "T,soon,\n"            // bad timestamp
                             "C,,A[1\n"             // bad cell notation
                             "X,1,2,3\n"            // too many fields
                             "\"multi\nline\",,\n"  // lines 7 and 8: one row only with --multiline
                             "Z,99999999999,\n";    // out of 32 bits
    std::string error;
    const auto rows = ReadPartRows(text, FileFormat::Csv, error);
    ASSERT_TRUE(error.empty());
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_TRUE(rows[0].error.empty());
    EXPECT_EQ(rows[1].line, 3);
    EXPECT_EQ(rows[1].error, "no part number");
    EXPECT_NE(rows[2].error.find("timestamp"), std::string::npos);
    EXPECT_NE(rows[3].error.find("cells"), std::string::npos);
    EXPECT_NE(rows[4].error.find("fields"), std::string::npos);
    // Without --multiline both halves of the quoted line break are errors,
    // so neither a stray quote nor a line break merges or invents a row.
    EXPECT_EQ(rows[5].line, 7);
    EXPECT_NE(rows[5].error.find("line break inside quotes"), std::string::npos) << rows[5].error;
    EXPECT_EQ(rows[6].line, 8);
    EXPECT_NE(rows[6].error.find("quote inside an unquoted field"), std::string::npos) << rows[6].error;
    EXPECT_EQ(rows[7].line, 9);
    EXPECT_FALSE(rows[7].error.empty());
    const auto multiline = ReadPartRows(text, FileFormat::Csv, error, CsvOptions{',', true});
    ASSERT_EQ(multiline.size(), 7u);
    EXPECT_EQ(multiline[5].number, "multi\nline");
    EXPECT_EQ(multiline[6].line, 9);
}

TEST(ImportRows, CsvHeaderProblemsFailTheWholeFile) {
    std::string error;
    EXPECT_TRUE(ReadPartRows("name,label\nx,y\n", FileFormat::Csv, error).empty());
    EXPECT_NE(error.find("\"number\""), std::string::npos) << error;
    error.clear();
    EXPECT_TRUE(ReadPartRows("number,colour\n", FileFormat::Csv, error).empty());
    EXPECT_NE(error.find("colour"), std::string::npos) << error;
    error.clear();
    EXPECT_TRUE(ReadCellRows("", FileFormat::Csv, error).empty());
    EXPECT_FALSE(error.empty());
    error.clear();
    // A byte-order mark before the header is not part of the first name.
    EXPECT_EQ(ReadCellRows("\xEF\xBB\xBFname\nC1\n", FileFormat::Csv, error).size(), 1u);
    EXPECT_TRUE(error.empty()) << error;
}

TEST(ImportRows, CsvCellsAcceptThePadstacksColumnOfExport) {
    std::string error;
    const auto rows = ReadCellRows("partition,name,pins,timestamp,padstacks\nSmd,R0603,\"1,2\",7,P1\n,,,,\n",
                                   FileFormat::Csv, error);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_TRUE(rows[0].error.empty());
    EXPECT_EQ(rows[0].pins, (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(rows[0].timestamp, 7);
    EXPECT_EQ(rows[1].error, "no cell name");
}

TEST(ImportRows, JsonLinesWithShortNamesRecordNamesAndBothNotations) {
    std::string error;
    const auto rows = ReadPartRows(
        R"({"number":"R1","pins":["1",2],"cells":["R0603",{"name":"R0805","pins":"1,2,3"}],"symbols":[{"spec":"Gates:RES","pins":["A"]}],"timestamp":5})"
        "\n\n"
        R"({"m_sPartNumber":"R2","m_psarrCells":[{"m_sCellName":"C1"}],"m_psarrLogicSymbols":"Gates:X[Y]","m_nTimeStamp":"6"})"
        "\n",
        FileFormat::JsonLines, error);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_TRUE(rows[0].error.empty()) << rows[0].error;
    EXPECT_EQ(rows[0].pins, (std::vector<std::string>{"1", "2"}));
    ASSERT_EQ(rows[0].cells.size(), 2u);
    EXPECT_EQ(rows[0].cells[0].pins, (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(rows[0].cells[1].pins.size(), 3u);
    EXPECT_EQ(rows[0].symbols[0].name, "RES");
    EXPECT_EQ(rows[1].line, 3);
    EXPECT_TRUE(rows[1].error.empty()) << rows[1].error;
    EXPECT_EQ(rows[1].number, "R2");
    EXPECT_EQ(rows[1].timestamp, 6);
    EXPECT_EQ(rows[1].symbols[0].pins, (std::vector<std::string>{"Y"}));
}

TEST(ImportRows, JsonLinesBadLinesAreRowErrors) {
    std::string error;
    const auto rows = ReadPartRows("{\"number\":\"A\"}\n"
                                   "not json\n"
                                   "[1,2]\n"
                                   "{\"number\":7}\n"
                                   "{\"number\":\"B\",\"colour\":\"red\"}\n"
                                   "{\"number\":\"C\",\"pins\":{\"a\":1}}\n"
                                   "{\"name\":\"no number\"}\n",
                                   FileFormat::JsonLines, error);
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_TRUE(rows[0].error.empty());
    for (std::size_t i = 1; i < rows.size(); ++i) {
        EXPECT_FALSE(rows[i].error.empty()) << "line " << rows[i].line;
        EXPECT_EQ(rows[i].line, static_cast<long>(i + 1));
    }
    EXPECT_NE(rows[4].error.find("colour"), std::string::npos);
    const auto cells = ReadCellRows("{\"m_sCellName\":\"C\",\"m_psarrPins\":[\"1\"]}\n{\"pins\":[]}\n",
                                    FileFormat::JsonLines, error);
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_EQ(cells[0].name, "C");
    EXPECT_EQ(cells[1].error, "no cell name");
}

}  // namespace
}  // namespace kelmcli

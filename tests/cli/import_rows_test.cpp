// The import readers: what the end-to-end imports do not reach.
#include <gtest/gtest.h>
#include "ImportRows.h"
#include "ListNotation.h"

namespace kelmcli {
namespace {
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
std::string Joined(const std::vector<std::string>& items) {
    std::string text;
    for (const auto& item : items) text += (text.empty() ? "" : ",") + item;
    return text;
}
std::string Stamp(const std::optional<std::int32_t>& timestamp) { return timestamp ? std::to_string(*timestamp) : "-"; }
// A read row as one line: "<line> <fields>", or "<line> ! <error>" for a row that cannot be imported.
std::string Said(const PartRow& r) {
    if (!r.error.empty()) return std::to_string(r.line) + " ! " + r.error;
    std::string cells, symbols;
    for (const auto& cell : r.cells) cells += cell.name + "[" + Joined(cell.pins) + "];";
    for (const auto& symbol : r.symbols) symbols += symbol.itemSpec + "=" + symbol.name + "[" + Joined(symbol.pins) + "];";
    return std::to_string(r.line) + " " + r.partition + "|" + r.number + "|" + r.name + "|" + r.label + "|" + r.type + "|" +
           r.description + "|" + Stamp(r.timestamp) + "|" + Joined(r.pins) + "|" + cells + "|" + symbols;
}
std::string Said(const CellRow& r) {
    if (!r.error.empty()) return std::to_string(r.line) + " ! " + r.error;
    return std::to_string(r.line) + " " + r.partition + "|" + r.name + "|" + Stamp(r.timestamp) + "|" + Joined(r.pins);
}
struct Reading {
    bool cells;
    FileFormat format;
    std::string text;
    std::vector<std::string> rows;  // "<line> ! <part of the error>" for a bad row
    std::string error = {};         // a part of the file's error; "" when the file is read
    bool multiline = false;
};
TEST(ImportRows, RowsOfEveryColumnAndNotationAndBadRowsWithTheirLinesAndFileErrors) {
    // Without --multiline both halves of a quoted line break are errors, so
    // neither a stray quote nor a line break merges or invents a row.
    const std::string broken = "number,timestamp,cells\nOK1,,\nT,soon,\n\"multi\nline\",,\nZ,99999999999,\n";
    const std::vector<Reading> readings = {
        {false, FileFormat::Csv,  // columns in any order and case; a cell without its own pins takes the part's
         "Symbols,Number,cells,PINS,partition,name,label,type,description,timestamp\n"
         "\"Gates:RES[A,B];Gates:X\",R1,\"R0603;R0805[1,2,3]\",\"1,2\",Res,Res 1k,R?,Resistor,\"thick, 1%\",42\n",
         {"2 Res|R1|Res 1k|R?|Resistor|thick, 1%|42|1,2|R0603[1,2];R0805[1,2,3];|Gates:RES=RES[A,B];Gates:X=X[];"}},
        {false, FileFormat::Csv, broken,
         {"2 |OK1|||||-|||", "3 ! timestamp", "4 ! line break inside quotes", "5 ! quote inside an unquoted field",
          "6 ! timestamp"}},  // out of 32 bits
        {false, FileFormat::Csv, broken, {"2 |OK1|||||-|||", "3 ! timestamp", "4 |multi\nline|||||-|||", "6 ! timestamp"}, "", true},
        {false, FileFormat::Csv, "name,label\nx,y\n", {}, "\"number\""},
        {false, FileFormat::Csv, "number,colour\n", {}, "colour"},
        {true, FileFormat::Csv, "", {}, "empty"},
        {true, FileFormat::Csv,  // the columns of a cell export, after a byte-order mark
         "\xEF\xBB\xBFpartition,name,pins,timestamp,padstacks\nSmd,R0603,\"1,2\",7,P1\n,,,,\n",
         {"2 Smd|R0603|7|1,2", "3 ! no cell name"}},
        {false, FileFormat::JsonLines,  // short or record names; blank lines are skipped
         R"({"number":"R1","pins":["1",2],"cells":["R0603",{"name":"R0805","pins":"1,2,3"}],"symbols":[{"spec":"Gates:RES","pins":["A"]}]})"
         "\n\n"
         R"({"m_sPartNumber":"R2","m_psarrCells":[{"m_sCellName":"C1"}],"m_psarrLogicSymbols":"Gates:X[Y]","m_nTimeStamp":"6"})"
         "\nnot json\n[1,2]\n{\"number\":7}\n{\"number\":\"B\",\"colour\":\"red\"}\n{\"number\":\"C\",\"pins\":{\"a\":1}}\n",
         {"1 |R1|||||-|1,2|R0603[1,2];R0805[1,2,3];|Gates:RES=RES[A];", "3 |R2|||||6||C1[];|Gates:X=X[Y];", "4 ! ", "5 ! ", "6 ! ",
          "7 ! colour", "8 ! "}},
        {true, FileFormat::JsonLines, "{\"m_sCellName\":\"C\",\"m_psarrPins\":[\"1\"]}\n", {"1 |C|-|1"}},
    };
    for (const Reading& reading : readings) {
        std::string error;
        const CsvOptions options{',', reading.multiline};
        std::vector<std::string> said;
        if (reading.cells) {
            for (const auto& row : ReadCellRows(reading.text, reading.format, error, options)) said.push_back(Said(row));
        } else {
            for (const auto& row : ReadPartRows(reading.text, reading.format, error, options)) said.push_back(Said(row));
        }
        ASSERT_EQ(said.size(), reading.rows.size()) << reading.text << ::testing::PrintToString(said);
        for (std::size_t i = 0; i < said.size(); ++i) {
            const std::string& expected = reading.rows[i];
            const std::size_t bang = expected.find(" ! ");
            if (bang == std::string::npos) {
                EXPECT_EQ(said[i], expected) << reading.text;
            } else {
                EXPECT_TRUE(said[i].starts_with(expected.substr(0, bang + 3)) && said[i].size() > bang + 3) << said[i];
                EXPECT_NE(said[i].find(expected.substr(bang + 3)), std::string::npos) << said[i];
            }
        }
        EXPECT_EQ(error.empty(), reading.error.empty()) << reading.text << ": " << error;
        EXPECT_NE(error.find(reading.error), std::string::npos) << error;
    }
}
}  // namespace
}  // namespace kelmcli

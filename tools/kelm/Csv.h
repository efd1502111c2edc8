// Comma-separated values as spreadsheets write them: fields separated by
// ',', a field in double quotes may hold ',', newlines and doubled quotes
// (""), records end with LF or CRLF. The reader keeps the line on which each
// record starts, for error messages.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelmcli {

class CsvReader {
public:
    explicit CsvReader(std::string_view text) : m_text(text) {}

    // The next record; false at the end of the text. A record with a quote
    // left open fills error and ends the reading. Blank lines are skipped.
    bool Next(std::vector<std::string>& fields, long& line, std::string& error);

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
    long m_line = 1;
};

// One record, quoting the fields that need it, without the line end.
std::string CsvRecord(const std::vector<std::string>& fields);

}  // namespace kelmcli

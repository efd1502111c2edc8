// Delimiter-separated values as spreadsheets write them: fields separated by
// ',', ';' or a tab; a field in double quotes may hold the delimiter, line
// breaks and doubled quotes (""), and a quote appears nowhere else; records
// end with LF or CRLF. The reader
// keeps the line on which each record starts, for error messages.
//
// The reader never merges records silently: a quote that is not closed
// before the end of the text, text after a closing quote, and (unless line
// breaks in quoted fields are allowed) a line break inside quotes make the
// record an error, and reading goes on at the line after the one on which
// that record started.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelmcli {

class CsvReader {
public:
    explicit CsvReader(std::string_view text, char delimiter = ',', bool lineBreaksInQuotes = true)
        : m_text(text), m_delimiter(delimiter), m_lineBreaksInQuotes(lineBreaksInQuotes) {}

    // The next record; false at the end of the text. A record that cannot be
    // read cleanly fills error (its fields are then what was read). Blank
    // lines are skipped.
    bool Next(std::vector<std::string>& fields, long& line, std::string& error);

    // The line on which the record last read ends (its start line unless a
    // quoted field ran over a line break).
    long LastLine() const { return m_line - (m_endedAtLineBreak ? 1 : 0); }
    // Reads on from the line after the start of the record last read, so
    // that lines a suspect record swallowed are read as records of their own.
    void RereadAfterStartLine();

private:
    void RewindTo(std::size_t start, long line);

    std::string_view m_text;
    char m_delimiter;
    bool m_lineBreaksInQuotes;
    std::size_t m_pos = 0;
    long m_line = 1;
    std::size_t m_recordStart = 0;
    long m_recordLine = 1;
    bool m_endedAtLineBreak = false;
};

// The delimiter of a file by its first line: whichever of ',', ';' and tab
// occurs most often outside quotes; ',' when none does.
char DetectDelimiter(std::string_view text);

// One record, quoting the fields that need it, without the line end.
std::string CsvRecord(const std::vector<std::string>& fields, char delimiter = ',');

}  // namespace kelmcli

#include "Csv.h"

#include <cstdio>

namespace kelmcli {
namespace {

std::string ControlCharacter(char c, int field) {
    char text[64];
    std::snprintf(text, sizeof text, "field %d holds the control character 0x%02X", field, static_cast<unsigned char>(c));
    return text;
}

bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r'; }

}  // namespace

void CsvReader::RewindTo(std::size_t start, long line) {
    const std::size_t end = m_text.find('\n', start);
    m_pos = end == std::string_view::npos ? m_text.size() : end + 1;
    m_line = line + 1;
    m_endedAtLineBreak = false;
}

void CsvReader::RereadAfterStartLine() { RewindTo(m_recordStart, m_recordLine); }

bool CsvReader::Next(std::vector<std::string>& fields, long& line, std::string& error) {
    error.clear();
    while (m_pos < m_text.size() && (m_text[m_pos] == '\n' || m_text[m_pos] == '\r')) {
        if (m_text[m_pos] == '\n') ++m_line;
        ++m_pos;
    }
    if (m_pos >= m_text.size()) return false;
    fields.clear();
    m_recordStart = m_pos;
    m_recordLine = line = m_line;
    std::string field;
    bool quoted = false;     // inside quotes
    bool wasQuoted = false;  // the field began with a quote
    auto fieldNumber = [&] { return static_cast<int>(fields.size()) + 1; };
    while (m_pos < m_text.size()) {
        const char c = m_text[m_pos++];
        if (quoted) {
            if (c != '"') {
                if ((c == '\n' || c == '\r') && !m_lineBreaksInQuotes) {
                    error = "field " + std::to_string(fieldNumber()) +
                            ": a line break inside quotes (a stray quote? --multiline allows line breaks in quoted fields)";
                    fields.push_back(std::move(field));
                    RereadAfterStartLine();
                    return true;
                }
                if (c == '\n') ++m_line;
                if (IsControl(c) && error.empty()) error = ControlCharacter(c, fieldNumber());
                field += c;
            } else if (m_pos < m_text.size() && m_text[m_pos] == '"') {
                field += '"';
                ++m_pos;
            } else {
                quoted = false;
                const char next = m_pos < m_text.size() ? m_text[m_pos] : '\n';
                if (next != m_delimiter && next != '\n' && next != '\r') {
                    error = "field " + std::to_string(fieldNumber()) + ": text after its closing quote (a stray quote?)";
                    fields.push_back(std::move(field));
                    RereadAfterStartLine();
                    return true;
                }
            }
            continue;
        }
        if (c == '"' && field.empty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == m_delimiter) {
            fields.push_back(std::move(field));
            field.clear();
            wasQuoted = false;
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && m_pos < m_text.size() && m_text[m_pos] == '\n') ++m_pos;
            ++m_line;
            fields.push_back(std::move(field));
            m_endedAtLineBreak = true;
            return true;
        } else {
            if (IsControl(c) && error.empty()) error = ControlCharacter(c, fieldNumber());
            if (c == '"' && error.empty())
                error = "field " + std::to_string(fieldNumber()) + ": a quote inside an unquoted field (quote the field and double the quote)";
            field += c;
        }
    }
    fields.push_back(std::move(field));
    m_endedAtLineBreak = false;
    if (quoted) {
        error = "field " + std::to_string(fieldNumber() - 1) + ": its quote is never closed (a stray quote?)";
        RereadAfterStartLine();
    }
    return true;
}

char DetectDelimiter(std::string_view text) {
    std::size_t commas = 0, semicolons = 0, tabs = 0;
    bool quoted = false;
    std::size_t pos = text.find_first_not_of("\r\n");
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c == '"') quoted = !quoted;
        else if (quoted) continue;
        else if (c == '\n' || c == '\r') break;
        else if (c == ',') ++commas;
        else if (c == ';') ++semicolons;
        else if (c == '\t') ++tabs;
    }
    if (semicolons > commas && semicolons >= tabs) return ';';
    if (tabs > commas && tabs > semicolons) return '\t';
    return ',';
}

std::string CsvRecord(const std::vector<std::string>& fields, char delimiter) {
    const std::string special = std::string("\"\r\n") + delimiter;
    std::string record;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) record += delimiter;
        const std::string& field = fields[i];
        if (field.find_first_of(special) == std::string::npos && (field.empty() || (field.front() != ' ' && field.back() != ' '))) {
            record += field;
            continue;
        }
        record += '"';
        for (const char c : field) {
            if (c == '"') record += '"';
            record += c;
        }
        record += '"';
    }
    return record;
}

}  // namespace kelmcli

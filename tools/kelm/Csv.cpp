#include "Csv.h"

namespace kelmcli {

bool CsvReader::Next(std::vector<std::string>& fields, long& line, std::string& error) {
    error.clear();
    // Skip blank lines.
    while (m_pos < m_text.size() && (m_text[m_pos] == '\n' || m_text[m_pos] == '\r')) {
        if (m_text[m_pos] == '\n') ++m_line;
        ++m_pos;
    }
    if (m_pos >= m_text.size()) return false;
    fields.clear();
    line = m_line;
    std::string field;
    bool quoted = false;      // inside quotes
    bool wasQuoted = false;   // the field began with a quote
    while (m_pos < m_text.size()) {
        const char c = m_text[m_pos++];
        if (quoted) {
            if (c == '"') {
                if (m_pos < m_text.size() && m_text[m_pos] == '"') {
                    field += '"';
                    ++m_pos;
                } else {
                    quoted = false;
                }
            } else {
                if (c == '\n') ++m_line;
                field += c;
            }
            continue;
        }
        if (c == '"' && field.empty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == ',') {
            fields.push_back(std::move(field));
            field.clear();
            wasQuoted = false;
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && m_pos < m_text.size() && m_text[m_pos] == '\n') ++m_pos;
            ++m_line;
            fields.push_back(std::move(field));
            return true;
        } else {
            field += c;
        }
    }
    if (quoted) {
        error = "a quoted field is not closed";
        fields.push_back(std::move(field));
        m_pos = m_text.size();
        return true;
    }
    fields.push_back(std::move(field));
    return true;
}

std::string CsvRecord(const std::vector<std::string>& fields) {
    std::string record;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) record += ',';
        const std::string& field = fields[i];
        if (field.find_first_of(",\"\r\n") == std::string::npos && (field.empty() || (field.front() != ' ' && field.back() != ' '))) {
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

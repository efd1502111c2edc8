#include "store/format/JsonLines.h"

#include <cstring>

namespace kelm::store::jsonl {

// ---------------------------------------------------------------- writing
void AppendString(std::string& out, std::string_view value) {
    static const char* const kHex = "0123456789abcdef";
    out += '"';
    std::size_t start = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(value[i]);
        if (c >= 0x20 && c != '"' && c != '\\') continue;
        out.append(value.data() + start, i - start);
        start = i + 1;
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    out.append(value.data() + start, value.size() - start);
    out += '"';
}

void LineWriter::Key(const char* key) {
    if (!m_first) m_out += ',';
    m_first = false;
    m_out += '"';
    m_out += key;
    m_out += "\":";
}

LineWriter& LineWriter::Str(const char* key, std::string_view value) {
    Key(key);
    AppendString(m_out, value);
    return *this;
}

LineWriter& LineWriter::Int(const char* key, std::int64_t value) {
    Key(key);
    m_out += std::to_string(value);
    return *this;
}

LineWriter& LineWriter::List(const char* key, const StringList& values) {
    Key(key);
    m_out += '[';
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i) m_out += ',';
        AppendString(m_out, values[i]);
    }
    m_out += ']';
    return *this;
}

LineWriter& LineWriter::BeginArray(const char* key) {
    Key(key);
    m_out += '[';
    return *this;
}

LineWriter& LineWriter::BeginElement() {
    if (m_out.back() != '[') m_out += ',';
    m_out += '{';
    m_first = true;
    return *this;
}

LineWriter& LineWriter::EndElement() {
    m_out += '}';
    return *this;
}

LineWriter& LineWriter::EndArray() {
    m_out += ']';
    m_first = false;
    return *this;
}

std::string Header(std::string_view kind, std::size_t lines) {
    std::string out;
    LineWriter(out).Str("kelm", kind).Int("version", kFormatVersion).Int("lines", static_cast<std::int64_t>(lines)).End();
    return out;
}

// ---------------------------------------------------------------- reading
void Cursor::SkipBlanks() {
    while (m_p < m_end && (*m_p == ' ' || *m_p == '\t')) ++m_p;
}

bool Cursor::Expect(char c) {
    SkipBlanks();
    if (m_p >= m_end) return Fail(std::string("unexpected end of line, expected '") + c + "'");
    if (*m_p != c) return Fail(std::string("expected '") + c + "'");
    ++m_p;
    return true;
}

bool Cursor::BeginObject() {
    m_firstKey = true;
    return Expect('{');
}

bool Cursor::NextKey(std::string_view& key) {
    if (Closes('}')) {
        m_error.clear();
        return false;
    }
    if (!m_firstKey && !Expect(',')) return false;
    m_firstKey = false;
    SkipBlanks();
    if (m_p >= m_end || *m_p != '"') return Fail("expected a field name");
    const char* start = ++m_p;
    while (m_p < m_end && *m_p != '"') {
        if (*m_p == '\\' || static_cast<unsigned char>(*m_p) < 0x20) return Fail("bad field name");
        ++m_p;
    }
    if (m_p >= m_end) return Fail("unterminated field name");
    key = std::string_view(start, static_cast<std::size_t>(m_p - start));
    ++m_p;
    return Expect(':');
}

namespace {
int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
}  // namespace

bool Cursor::String(std::string& value) { return ReadString(&value); }

bool Cursor::ReadString(std::string* value) {
    SkipBlanks();
    if (m_p >= m_end || *m_p != '"') return Fail("expected a string");
    ++m_p;
    if (value) value->clear();
    for (;;) {
        const char* start = m_p;
        while (m_p < m_end && *m_p != '"' && *m_p != '\\' && static_cast<unsigned char>(*m_p) >= 0x20) ++m_p;
        if (value) value->append(start, static_cast<std::size_t>(m_p - start));
        if (m_p >= m_end) return Fail("unterminated string");
        const char c = *m_p++;
        if (c == '"') return true;
        if (c != '\\') return Fail("control character in a string");
        if (m_p >= m_end) return Fail("unterminated string");
        char decoded = 0;
        switch (*m_p++) {
        case '"': decoded = '"'; break;
        case '\\': decoded = '\\'; break;
        case '/': decoded = '/'; break;
        case 'b': decoded = '\b'; break;
        case 'f': decoded = '\f'; break;
        case 'n': decoded = '\n'; break;
        case 'r': decoded = '\r'; break;
        case 't': decoded = '\t'; break;
        case 'u': {
            if (m_end - m_p < 4) return Fail("bad \\u escape");
            int code = 0;
            for (int i = 0; i < 4; ++i) {
                const int digit = HexValue(m_p[i]);
                if (digit < 0) return Fail("bad \\u escape");
                code = code * 16 + digit;
            }
            if (code > 0xFF) return Fail("\\u escape beyond one byte");
            decoded = static_cast<char>(code);
            m_p += 4;
            break;
        }
        default: return Fail("bad escape in a string");
        }
        if (value) *value += decoded;
    }
}

bool Cursor::Int(std::int64_t& value) {
    SkipBlanks();
    bool negative = false;
    if (m_p < m_end && *m_p == '-') {
        negative = true;
        ++m_p;
    }
    if (m_p >= m_end || *m_p < '0' || *m_p > '9') return Fail("expected a number");
    std::int64_t result = 0;
    int digits = 0;
    while (m_p < m_end && *m_p >= '0' && *m_p <= '9') {
        if (++digits > 18) return Fail("number too long");
        result = result * 10 + (*m_p++ - '0');
    }
    if (m_p < m_end && (*m_p == '.' || *m_p == 'e' || *m_p == 'E')) return Fail("expected a whole number");
    value = negative ? -result : result;
    return true;
}

bool Cursor::Int32(std::int32_t& value) {
    std::int64_t wide = 0;
    if (!Int(wide)) return false;
    if (wide < INT32_MIN || wide > INT32_MAX) return Fail("number out of range");
    value = static_cast<std::int32_t>(wide);
    return true;
}

bool Cursor::List(StringList& values) {
    std::size_t count = 0;
    values.clear();
    return ListInto(values, count);
}

bool Cursor::Closes(char close) {
    SkipBlanks();
    if (m_p >= m_end || *m_p != close) return false;
    ++m_p;
    return true;
}

template <class ReadElement>
bool Cursor::StringsOf(ReadElement readElement) {
    if (!Expect('[')) return false;
    if (Closes(']')) return true;
    for (;;) {
        if (!readElement()) return false;
        if (Closes(']')) return true;
        if (!Expect(',')) return false;
    }
}

bool Cursor::ListInto(StringList& values, std::size_t& count) {
    count = 0;
    return StringsOf([&] {
        if (count == values.size()) values.emplace_back();
        return String(values[count++]);
    });
}

bool Cursor::SkipList() {
    return StringsOf([this] { return SkipString(); });
}

bool Cursor::BeginArray() {
    m_firstElement = true;
    return Expect('[');
}

bool Cursor::NextElement() {
    if (Closes(']')) {
        m_error.clear();
        return false;
    }
    if (!m_firstElement && !Expect(',')) return false;
    m_firstElement = false;
    return BeginObject();
}

bool Cursor::Finish() {
    SkipBlanks();
    if (m_p != m_end) return Fail("text after the end of the record");
    return true;
}

bool ReadLines(std::string_view text, std::string_view kind, const std::string& fileName, const RecordReader& record,
               std::string& error) {
    const char* p = text.data();
    const char* const end = p + text.size();
    std::size_t lineNumber = 0;
    std::int64_t declared = -1;
    std::int64_t records = 0;
    auto fail = [&](const std::string& message) {
        error = fileName + ", line " + std::to_string(lineNumber) + ": " + message;
        return false;
    };
    while (p < end) {
        ++lineNumber;
        const char* newline = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        if (!newline) return fail("the last line is cut short (no line end)");
        const char* lineEnd = newline;
        if (lineEnd > p && lineEnd[-1] == '\r') --lineEnd;
        Cursor cursor(p, lineEnd);
        p = newline + 1;
        if (lineNumber == 1) {
            std::string fileKind;
            std::int64_t version = -1;
            if (!cursor.BeginObject()) return fail(cursor.Error());
            std::string_view key;
            while (cursor.NextKey(key)) {
                bool ok = true;
                if (key == "kelm") ok = cursor.String(fileKind);
                else if (key == "version") ok = cursor.Int(version);
                else if (key == "lines") ok = cursor.Int(declared);
                else ok = cursor.UnknownKey(key);
                if (!ok) return fail(cursor.Error());
            }
            if (!cursor.Error().empty() || !cursor.Finish()) return fail(cursor.Error());
            if (fileKind != kind) return fail("not a \"" + std::string(kind) + "\" file");
            if (version != kFormatVersion) return fail("format version " + std::to_string(version) + " is not supported");
            if (declared < 0) return fail("the header does not give the number of lines");
            continue;
        }
        if (++records > declared) return fail("more lines than the header announces");
        if (!record(cursor)) return fail(cursor.Error().empty() ? "bad record" : cursor.Error());
        if (!cursor.Finish()) return fail(cursor.Error());
    }
    if (lineNumber == 0) {
        lineNumber = 1;
        return fail("the file is empty");
    }
    if (records != declared) {
        ++lineNumber;
        return fail("the file is cut short: " + std::to_string(records) + " of " + std::to_string(declared) + " lines");
    }
    return true;
}

}  // namespace kelm::store::jsonl

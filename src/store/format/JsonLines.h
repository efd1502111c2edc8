// A small, strict JSON Lines reader and writer for the store's own files.
//
// Every file of the store is text, one record per line, each line one JSON
// object. The first line is the header {"kelm":"<kind>","version":1,"lines":N}
// naming the file's kind, its format version and the number of records that
// follow, so that a file cut short at a line end is caught as well as one
// cut inside a line. Strings are 8-bit: bytes from 0x80 up are written as
// they are, control characters escaped. Readers accept only what the
// writers produce (plus blanks between tokens and "\r\n" line ends): any
// other byte is a corrupt file, reported with its line number.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "util/StringList.h"

namespace kelm::store::jsonl {

inline constexpr int kFormatVersion = 1;

// Appends one JSON object as a line: Line(out).Str("name", n).Int("time", t).End().
class LineWriter {
public:
    explicit LineWriter(std::string& out) : m_out(out) { m_out += '{'; }
    LineWriter& Str(const char* key, std::string_view value);
    LineWriter& Int(const char* key, std::int64_t value);
    LineWriter& List(const char* key, const StringList& values);
    // Nested objects in an array: BeginArray("symbols"), then per element
    // BeginElement() ... EndElement(), then EndArray().
    LineWriter& BeginArray(const char* key);
    LineWriter& BeginElement();
    LineWriter& EndElement();
    LineWriter& EndArray();
    void End() { m_out += "}\n"; }

private:
    void Key(const char* key);
    std::string& m_out;
    bool m_first = true;
};

void AppendString(std::string& out, std::string_view value);

// The header line of a file holding `lines` records of a kind.
std::string Header(std::string_view kind, std::size_t lines);

// Reads one line's tokens, strictly. Every function returns false on a
// syntax error and leaves a message in Error().
class Cursor {
public:
    Cursor(const char* begin, const char* end) : m_p(begin), m_end(end) {}

    bool BeginObject();
    // The next key of the current object; false with Error() empty at '}'.
    bool NextKey(std::string_view& key);
    bool String(std::string& value);
    // Checks a string or a list of strings as String and List do, without
    // keeping it (for readers that need only some fields of a record).
    bool SkipString() { return ReadString(nullptr); }
    bool SkipList();
    // A list read into `values` from its start, reusing the strings there:
    // `count` tells how many of them the list filled.
    bool ListInto(StringList& values, std::size_t& count);
    bool Int(std::int64_t& value);
    bool Int32(std::int32_t& value);
    bool List(StringList& values);
    // Arrays of objects: BeginArray(), then while NextElement() {...}.
    bool BeginArray();
    bool NextElement();  // false at ']' (Error() empty) or on an error
    bool Finish();       // nothing but blanks may follow the object
    // What is left of the line, for a reader with its own fast path; Skip()
    // marks it all read once that reader has checked it.
    std::string_view Rest() const { return {m_p, static_cast<std::size_t>(m_end - m_p)}; }
    void SkipRest() { m_p = m_end; }

    const std::string& Error() const { return m_error; }
    bool Fail(std::string message) { m_error = std::move(message); return false; }
    bool UnknownKey(std::string_view key) { return Fail("unknown field \"" + std::string(key) + "\""); }

private:
    bool ReadString(std::string* value);  // null: check only
    void SkipBlanks();
    bool Expect(char c);
    bool Closes(char close);  // consumes `close` when it comes next, after blanks
    template <class ReadElement>
    bool StringsOf(ReadElement readElement);  // [ element, ... ]
    const char* m_p;
    const char* m_end;
    std::string m_error;
    bool m_firstKey = true;
    bool m_firstElement = true;
};

// Reads a whole file's text: checks the header (kind, version, count),
// then hands every record line to `record` (the cursor is set on that line).
// On failure `error` is "<file>, line <n>: <message>" and the result false.
using RecordReader = std::function<bool(Cursor&)>;
bool ReadLines(std::string_view text, std::string_view kind, const std::string& fileName, const RecordReader& record,
               std::string& error);

}  // namespace kelm::store::jsonl

#include "store/format/PartitionFiles.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "store/format/JsonLines.h"

namespace kelm::store {
namespace {
// The first `count` names of list, which may be longer (scratch space).
bool HasDuplicates(const StringList& list, std::size_t count) {
    const std::span<const std::string> names(list.data(), count);
    return NameIndex::FirstDuplicate(names, NameOf<std::string>) != NameIndex::kNone;
}
bool HasDuplicates(const StringList& list) { return HasDuplicates(list, list.size()); }

// The symbols of a part type checked as ReadSymbolRefs reads them; `specs`
// is scratch space kept from line to line.
bool SkipSymbolRefs(jsonl::Cursor& cursor, StringList& specs) {
    std::size_t count = 0;
    if (!cursor.BeginArray()) return false;
    while (cursor.NextElement()) {
        if (count == specs.size()) specs.emplace_back();
        std::string& spec = specs[count];
        std::string_view key;
        bool haveSpec = false;
        while (cursor.NextKey(key)) {
            bool ok = true;
            if (key == "spec") { ok = cursor.String(spec); haveSpec = true; }
            else if (key == "pins") ok = cursor.SkipList();
            else return cursor.UnknownKey(key);
            if (!ok) return false;
        }
        if (!cursor.Error().empty()) return false;
        if (!haveSpec) return cursor.Fail("a symbol without \"spec\"");
        ++count;
    }
    if (!cursor.Error().empty()) return false;
    const std::span<const std::string> read(specs.data(), count);
    const std::size_t twice = NameIndex::FirstDuplicate(read, NameOf<std::string>);
    return twice == NameIndex::kNone || cursor.Fail("symbol \"" + specs[twice] + "\" listed twice");
}

bool ReadSymbolRefs(jsonl::Cursor& cursor, std::vector<SymbolRef>& symbols) {
    symbols.clear();
    if (!cursor.BeginArray()) return false;
    while (cursor.NextElement()) {
        SymbolRef ref;
        std::string_view key;
        bool haveSpec = false;
        while (cursor.NextKey(key)) {
            bool ok = true;
            if (key == "spec") { ok = cursor.String(ref.itemSpec); haveSpec = true; }
            else if (key == "pins") ok = cursor.List(ref.pins);
            else return cursor.UnknownKey(key);
            if (!ok) return false;
        }
        if (!cursor.Error().empty()) return false;
        if (!haveSpec) return cursor.Fail("a symbol without \"spec\"");
        symbols.push_back(std::move(ref));
    }
    if (!cursor.Error().empty()) return false;
    const std::size_t twice = NameIndex::FirstDuplicate(symbols, NameOf<SymbolRef>);
    return twice == NameIndex::kNone || cursor.Fail("symbol \"" + symbols[twice].itemSpec + "\" listed twice");
}
}  // namespace

namespace {
// One part type's fields, strictly; the caller checks its place in the file.
bool ReadPartRecord(jsonl::Cursor& cursor, PartRecord& part) {
    if (!cursor.BeginObject()) return false;
    std::string_view key;
    if (!cursor.NextKey(key) || key != "number") return cursor.Fail("a part type must begin with \"number\"");
    if (!cursor.String(part.number)) return false;
    while (cursor.NextKey(key)) {
        bool ok = true;
        std::int32_t flag = 0;
        if (key == "pins") ok = cursor.List(part.pins);
        else if (key == "name") ok = cursor.String(part.name);
        else if (key == "label") ok = cursor.String(part.label);
        else if (key == "nameDefault") { ok = cursor.Int32(flag); part.nameDefault = flag; }
        else if (key == "labelDefault") { ok = cursor.Int32(flag); part.labelDefault = flag; }
        else if (key == "description") ok = cursor.String(part.description);
        else if (key == "type") ok = cursor.String(part.type);
        else if (key == "time") ok = cursor.Int32(part.timestamp);
        else if (key == "cells") ok = cursor.List(part.cells) && (!HasDuplicates(part.cells) || cursor.Fail("a cell listed twice"));
        else if (key == "symbols") ok = ReadSymbolRefs(cursor, part.symbols);
        else return cursor.UnknownKey(key);
        if (!ok) return false;
    }
    if (!cursor.Error().empty()) return false;
    return !part.number.empty() || cursor.Fail("a part type without a number");
}
}  // namespace

bool ParsePartFile(const std::string& text, const std::string& fileName, const std::string& partition, PartMap& parts,
                   std::string& error) {
    parts.clear();
    return jsonl::ReadLines(text, "parts", fileName, [&](jsonl::Cursor& cursor) {
        PartRecord part;
        if (!ReadPartRecord(cursor, part)) return false;
        if (!parts.empty() && !(parts.rbegin()->first < part.number))
            return cursor.Fail("part \"" + part.number + "\" is out of order or listed twice");
        part.partition = partition;
        const std::string number = part.number;
        parts.emplace_hint(parts.end(), number, std::move(part));
        return true;
    }, error);
}

bool ParsePartLine(std::string_view line, const std::string& partition, PartRecord& part) {
    part = PartRecord{};
    jsonl::Cursor cursor(line.data(), line.data() + line.size());
    if (!ReadPartRecord(cursor, part) || !cursor.Finish()) return false;
    part.partition = partition;
    return true;
}

void WritePartLine(std::string& out, const std::string& number, const PartRecord& part) {
    jsonl::LineWriter line(out);
    line.Str("number", number).List("pins", part.pins).Str("name", part.name).Str("label", part.label)
        .Int("nameDefault", part.nameDefault).Int("labelDefault", part.labelDefault)
        .Str("description", part.description).Str("type", part.type).Int("time", part.timestamp)
        .List("cells", part.cells).BeginArray("symbols");
    for (const SymbolRef& symbol : part.symbols)
        line.BeginElement().Str("spec", symbol.itemSpec).List("pins", symbol.pins).EndElement();
    line.EndArray().End();
}

// The fast path of ScanPartFile: a line exactly as SerializePartFile writes
// it (no blanks, fields in their order, strings without escapes). It
// accepts only lines that the strict reader accepts too; any other line is
// left to the strict reader, which also gives the error message.
class CanonicalPartLine {
public:
    bool Read(std::string_view line, PartLine& out) {
        m_p = line.data();
        m_end = line.data() + line.size();
        std::string_view number;
        if (!Literal("{\"number\":") || !String(number) || number.empty()) return false;
        if (!Literal(",\"pins\":") || !List(nullptr)) return false;
        if (!Literal(",\"name\":") || !String() || !Literal(",\"label\":") || !String()) return false;
        if (!Literal(",\"nameDefault\":") || !Int32() || !Literal(",\"labelDefault\":") || !Int32()) return false;
        if (!Literal(",\"description\":") || !String() || !Literal(",\"type\":") || !String()) return false;
        if (!Literal(",\"time\":") || !Int32()) return false;
        m_cells.clear();
        if (!Literal(",\"cells\":") || !List(&m_cells)) return false;
        if (NameIndex::FirstDuplicate(m_cells, NameOf<std::string_view>) != NameIndex::kNone) return false;
        if (!Literal(",\"symbols\":[")) return false;
        m_specs.clear();
        if (m_p < m_end && *m_p != ']') {
            for (;;) {
                std::string_view spec;
                if (!Literal("{\"spec\":") || !String(spec) || !Literal(",\"pins\":") || !List(nullptr) || !Literal("}"))
                    return false;
                m_specs.push_back(spec);
                if (m_p < m_end && *m_p == ',') { ++m_p; continue; }
                break;
            }
            if (NameIndex::FirstDuplicate(m_specs, NameOf<std::string_view>) != NameIndex::kNone) return false;
        }
        if (!Literal("]}") || m_p != m_end) return false;
        out.number.assign(number);
        if (out.cells.size() < m_cells.size()) out.cells.resize(m_cells.size());
        for (std::size_t i = 0; i < m_cells.size(); ++i) out.cells[i].assign(m_cells[i]);
        out.cellCount = m_cells.size();
        return true;
    }

private:
    template <std::size_t N>
    bool Literal(const char (&text)[N]) {
        constexpr std::size_t length = N - 1;
        if (static_cast<std::size_t>(m_end - m_p) < length) return false;
        if constexpr (length >= 8 && length <= 16) {
            // Two overlapping words instead of a call to memcmp.
            if (Word(m_p) != Word(text) || Word(m_p + length - 8) != Word(text + length - 8)) return false;
        } else if (std::memcmp(m_p, text, length) != 0) {
            return false;
        }
        m_p += length;
        return true;
    }
    static std::uint64_t Word(const char* p) {
        std::uint64_t word;
        std::memcpy(&word, p, sizeof word);
        return word;
    }
    // Whether any byte of the word is '"', a backslash or below 0x20.
    static bool HasSpecialByte(std::uint64_t word) {
        constexpr std::uint64_t ones = 0x0101010101010101ULL, highs = 0x8080808080808080ULL;
        auto hasZero = [&](std::uint64_t v) { return ((v - ones) & ~v & highs) != 0; };
        return hasZero(word ^ (ones * '"')) || hasZero(word ^ (ones * '\\')) || ((word - ones * 0x20) & ~word & highs) != 0;
    }
    bool String(std::string_view& value) {
        if (m_p >= m_end || *m_p != '"') return false;
        const char* start = ++m_p;
#if defined(__SSE2__)
        // Sixteen bytes at a time up to the first '"', backslash or control byte.
        const __m128i quote = _mm_set1_epi8('"'), backslash = _mm_set1_epi8('\\');
        const __m128i flip = _mm_set1_epi8(static_cast<char>(0x80)), control = _mm_set1_epi8(static_cast<char>(0x20 ^ 0x80));
        while (m_end - m_p >= 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(m_p));
            const __m128i special = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, quote), _mm_cmpeq_epi8(bytes, backslash)),
                                                 _mm_cmplt_epi8(_mm_xor_si128(bytes, flip), control));
            const int mask = _mm_movemask_epi8(special);
            if (mask != 0) {
                m_p += __builtin_ctz(static_cast<unsigned>(mask));
                break;
            }
            m_p += 16;
        }
#endif
        while (m_end - m_p >= 8 && !HasSpecialByte(Word(m_p))) m_p += 8;
        while (m_p < m_end) {
            const unsigned char c = static_cast<unsigned char>(*m_p);
            if (c == '"') {
                value = std::string_view(start, static_cast<std::size_t>(m_p - start));
                ++m_p;
                return true;
            }
            if (c == '\\' || c < 0x20) return false;
            ++m_p;
        }
        return false;
    }
    bool String() {
        std::string_view ignored;
        return String(ignored);
    }
    bool List(std::vector<std::string_view>* values) {
        if (!Literal("[")) return false;
        if (m_p < m_end && *m_p == ']') { ++m_p; return true; }
        for (;;) {
            std::string_view value;
            if (!String(value)) return false;
            if (values) values->push_back(value);
            if (m_p < m_end && *m_p == ',') { ++m_p; continue; }
            return Literal("]");
        }
    }
    bool Int32() {  // as std::to_string writes it: no leading zero, no "-0"
        const bool negative = m_p < m_end && *m_p == '-';
        if (negative) ++m_p;
        const char* first = m_p;
        std::int64_t value = 0;
        int digits = 0;
        while (m_p < m_end && *m_p >= '0' && *m_p <= '9') {
            if (++digits > 10) return false;
            value = value * 10 + (*m_p++ - '0');
        }
        if (digits == 0 || (*first == '0' && (digits > 1 || negative))) return false;
        if (negative) value = -value;
        return value >= INT32_MIN && value <= INT32_MAX;
    }

    const char* m_p = nullptr;
    const char* m_end = nullptr;
    std::vector<std::string_view> m_cells;
    std::vector<std::string_view> m_specs;
};

bool ScanPartFile(const std::string& text, const std::string& fileName, const PartLineVisitor& visit, std::string& error) {
    PartLine line;
    std::string previous;
    StringList specs;
    CanonicalPartLine canonical;
    bool first = true;
    auto accept = [&](jsonl::Cursor& cursor) {
        if (!first && !(previous < line.number))
            return cursor.Fail("part \"" + line.number + "\" is out of order or listed twice");
        first = false;
        previous.assign(line.number);
        visit(line);
        return true;
    };
    return jsonl::ReadLines(text, "parts", fileName, [&](jsonl::Cursor& cursor) {
        line.line = cursor.Rest();
        line.canonical = canonical.Read(line.line, line);
        if (line.canonical) {
            cursor.SkipRest();
            return accept(cursor);
        }
        if (!cursor.BeginObject()) return false;
        std::string_view key;
        if (!cursor.NextKey(key) || key != "number") return cursor.Fail("a part type must begin with \"number\"");
        if (!cursor.String(line.number)) return false;
        line.cellCount = 0;
        while (cursor.NextKey(key)) {
            bool ok = true;
            std::int32_t number = 0;
            if (key == "pins") ok = cursor.SkipList();
            else if (key == "name" || key == "label" || key == "description" || key == "type") ok = cursor.SkipString();
            else if (key == "nameDefault" || key == "labelDefault" || key == "time") ok = cursor.Int32(number);
            else if (key == "cells")
                ok = cursor.ListInto(line.cells, line.cellCount) &&
                     (!HasDuplicates(line.cells, line.cellCount) || cursor.Fail("a cell listed twice"));
            else if (key == "symbols") ok = SkipSymbolRefs(cursor, specs);
            else return cursor.UnknownKey(key);
            if (!ok) return false;
        }
        if (!cursor.Error().empty()) return false;
        if (line.number.empty()) return cursor.Fail("a part type without a number");
        return accept(cursor);
    }, error);
}

std::string SerializePartFile(const PartMap& parts, std::string_view previous, const std::set<std::string>* changed) {
    std::string out = jsonl::Header("parts", parts.size());
    out.reserve(std::max(previous.size(), out.size() + parts.size() * 160));
    // The previous file's records are sorted as the map is: both are walked
    // together, and a record meets its old line when it has one.
    std::size_t lineEnd = previous.empty() ? std::string_view::npos : previous.find('\n');
    std::string_view line;
    std::string lineNumber;  // of `line`; empty when there is none
    CanonicalPartLine canonical;
    PartLine scratch;
    bool lineCanonical = false;
    auto nextLine = [&] {
        lineNumber.clear();
        if (lineEnd == std::string_view::npos) return;
        const std::size_t begin = lineEnd + 1;
        lineEnd = previous.find('\n', begin);
        if (lineEnd == std::string_view::npos) return;
        line = previous.substr(begin, lineEnd - begin);
        lineCanonical = canonical.Read(line, scratch);
        if (lineCanonical) {
            lineNumber = scratch.number;
        } else {  // written by hand: only its number is needed
            jsonl::Cursor cursor(line.data(), line.data() + line.size());
            std::string_view key;
            if (!cursor.BeginObject() || !cursor.NextKey(key) || !cursor.String(lineNumber)) lineNumber.clear();
        }
    };
    nextLine();
    for (const auto& [number, part] : parts) {
        while (!lineNumber.empty() && lineNumber < number) nextLine();
        if (lineCanonical && lineNumber == number && changed && !changed->count(number)) {
            out.append(line);
            out += '\n';
            continue;
        }
        WritePartLine(out, number, part);
    }
    return out;
}

bool ParseCellCatalog(const std::string& text, const std::string& fileName, const std::string& partition, CellMap& cells,
                      std::string& error) {
    cells.clear();
    return jsonl::ReadLines(text, "cells", fileName, [&](jsonl::Cursor& cursor) {
        CellRecord cell;
        if (!cursor.BeginObject()) return false;
        std::string_view key;
        if (!cursor.NextKey(key) || key != "name") return cursor.Fail("a cell must begin with \"name\"");
        if (!cursor.String(cell.name)) return false;
        while (cursor.NextKey(key)) {
            bool ok = true;
            std::int32_t type = 0;
            if (key == "pins") ok = cursor.List(cell.pins);
            else if (key == "type") { ok = cursor.Int32(type); cell.type = type; }
            else if (key == "time") ok = cursor.Int32(cell.timestamp);
            else if (key == "padstacks") ok = cursor.List(cell.padstacks) && (!HasDuplicates(cell.padstacks) || cursor.Fail("a padstack listed twice"));
            else return cursor.UnknownKey(key);
            if (!ok) return false;
        }
        if (!cursor.Error().empty()) return false;
        if (cell.name.empty()) return cursor.Fail("a cell without a name");
        if (!cells.empty() && !(cells.rbegin()->first < cell.name))
            return cursor.Fail("cell \"" + cell.name + "\" is out of order or listed twice");
        cell.partition = partition;
        const std::string name = cell.name;
        cells.emplace_hint(cells.end(), name, std::move(cell));
        return true;
    }, error);
}

std::string SerializeCellCatalog(const CellMap& cells) {
    std::string out = jsonl::Header("cells", cells.size());
    for (const auto& [name, cell] : cells) {
        jsonl::LineWriter(out).Str("name", name).List("pins", cell.pins).Int("type", cell.type)
            .Int("time", cell.timestamp).List("padstacks", cell.padstacks).End();
    }
    return out;
}

bool ParseSymbolFile(const std::string& text, const std::string& fileName, std::string& name, StringList& pins,
                     std::string& error) {
    int records = 0;
    return jsonl::ReadLines(text, "symbol", fileName, [&](jsonl::Cursor& cursor) {
        if (++records > 1) return cursor.Fail("a symbol file holds one symbol");
        if (!cursor.BeginObject()) return false;
        std::string_view key;
        while (cursor.NextKey(key)) {
            bool ok = true;
            if (key == "name") ok = cursor.String(name);
            else if (key == "pins") ok = cursor.List(pins);
            else return cursor.UnknownKey(key);
            if (!ok) return false;
        }
        return cursor.Error().empty();
    }, error);
}

std::string SerializeSymbolFile(const std::string& name, const StringList& pins) {
    std::string out = jsonl::Header("symbol", 1);
    jsonl::LineWriter(out).Str("name", name).List("pins", pins).End();
    return out;
}

}  // namespace kelm::store

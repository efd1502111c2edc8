#include "store/PartitionFiles.h"

#include "store/JsonLines.h"

namespace kelm::store {
namespace {
bool HasDuplicates(const StringList& list) {
    for (std::size_t i = 0; i < list.size(); ++i)
        for (std::size_t j = i + 1; j < list.size(); ++j)
            if (list[i] == list[j]) return true;
    return false;
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
        for (const SymbolRef& other : symbols)
            if (other.itemSpec == ref.itemSpec) return cursor.Fail("symbol \"" + ref.itemSpec + "\" listed twice");
        symbols.push_back(std::move(ref));
    }
    return cursor.Error().empty();
}
}  // namespace

bool ParsePartFile(const std::string& text, const std::string& fileName, const std::string& partition, PartMap& parts,
                   std::string& error) {
    parts.clear();
    return jsonl::ReadLines(text, "parts", fileName, [&](jsonl::Cursor& cursor) {
        PartRecord part;
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
        if (part.number.empty()) return cursor.Fail("a part type without a number");
        if (!parts.empty() && !(parts.rbegin()->first < part.number))
            return cursor.Fail("part \"" + part.number + "\" is out of order or listed twice");
        part.partition = partition;
        const std::string number = part.number;
        parts.emplace_hint(parts.end(), number, std::move(part));
        return true;
    }, error);
}

std::string SerializePartFile(const PartMap& parts) {
    std::string out = jsonl::Header("parts", parts.size());
    out.reserve(out.size() + parts.size() * 160);
    for (const auto& [number, part] : parts) {
        jsonl::LineWriter line(out);
        line.Str("number", number).List("pins", part.pins).Str("name", part.name).Str("label", part.label)
            .Int("nameDefault", part.nameDefault).Int("labelDefault", part.labelDefault)
            .Str("description", part.description).Str("type", part.type).Int("time", part.timestamp)
            .List("cells", part.cells).BeginArray("symbols");
        for (const SymbolRef& symbol : part.symbols)
            line.BeginElement().Str("spec", symbol.itemSpec).List("pins", symbol.pins).EndElement();
        line.EndArray().End();
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

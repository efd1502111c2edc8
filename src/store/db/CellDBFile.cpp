#include "store/db/CellDBFile.h"

#include "store/format/JsonLines.h"

namespace kelm::store {

bool ParseCellDBFile(const std::string& text, const std::string& fileName, CellGeometryMap& cells, std::string& error) {
    cells.clear();
    return jsonl::ReadLines(text, "celldb", fileName, [&](jsonl::Cursor& cursor) {
        std::string name;
        CellGeometry cell;
        if (!cursor.BeginObject()) return false;
        std::string_view key;
        while (cursor.NextKey(key)) {
            bool ok = true;
            if (key == "cell") ok = cursor.String(name);
            else if (key == "pins") ok = cursor.List(cell.pins);
            else if (key == "padstacks") ok = cursor.List(cell.padstacks);
            else return cursor.UnknownKey(key);
            if (!ok) return false;
        }
        if (!cursor.Error().empty()) return false;
        if (name.empty()) return cursor.Fail("a cell without a name");
        if (!cells.emplace(name, std::move(cell)).second) return cursor.Fail("cell \"" + name + "\" listed twice");
        return true;
    }, error);
}

std::string SerializeCellDBFile(const CellGeometryMap& cells) {
    std::string out = jsonl::Header("celldb", cells.size());
    for (const auto& [name, cell] : cells)
        jsonl::LineWriter(out).Str("cell", name).List("pins", cell.pins).List("padstacks", cell.padstacks).End();
    return out;
}

}  // namespace kelm::store

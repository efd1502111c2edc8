#include "ImportRows.h"

#include <algorithm>
#include <charconv>
#include <map>

#include <nlohmann/json.hpp>

#include "Csv.h"
#include "ListNotation.h"

namespace kelmcli {
namespace {

using nlohmann::json;

std::string LowerText(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool ParseTimestamp(const std::string& text, std::optional<std::int32_t>& out, std::string& error) {
    if (text.empty()) return true;
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < INT32_MIN || value > INT32_MAX) {
        error = "timestamp \"" + text + "\" is not a 32-bit number of seconds";
        return false;
    }
    out = static_cast<std::int32_t>(value);
    return true;
}

SymbolRef MakeSymbol(const std::string& spec, std::vector<std::string> pins) {
    const std::size_t colon = spec.rfind(':');
    return SymbolRef{spec, colon == std::string::npos ? spec : spec.substr(colon + 1), std::move(pins)};
}

// Cells and symbols written in the ref notation.
bool ParseCells(const std::string& text, const std::vector<std::string>& partPins, std::vector<CellRef>& cells,
                std::string& error) {
    std::vector<Ref> refs;
    if (!ParseRefs(text, refs, error)) {
        error = "cells: " + error;
        return false;
    }
    for (auto& ref : refs) cells.push_back(CellRef{ref.name, ref.pins ? *ref.pins : partPins});
    return true;
}

bool ParseSymbols(const std::string& text, std::vector<SymbolRef>& symbols, std::string& error) {
    std::vector<Ref> refs;
    if (!ParseRefs(text, refs, error)) {
        error = "symbols: " + error;
        return false;
    }
    for (auto& ref : refs) symbols.push_back(MakeSymbol(ref.name, ref.pins ? *ref.pins : std::vector<std::string>{}));
    return true;
}

// ---------------------------------------------------------------- CSV
// Reads the header; fills the column index of each known name.
bool ReadHeader(CsvReader& reader, const std::vector<std::string>& known, const std::string& required,
                std::map<std::string, std::size_t>& columns, std::string& fileError) {
    std::vector<std::string> header;
    long line = 0;
    std::string error;
    if (!reader.Next(header, line, error)) {
        fileError = "the file is empty; the first line must name the columns";
        return false;
    }
    if (!error.empty()) {
        fileError = "line " + std::to_string(line) + ": " + error;
        return false;
    }
    for (std::size_t i = 0; i < header.size(); ++i) {
        std::string name = LowerText(header[i]);
        name.erase(0, name.find_first_not_of(" \t\xEF\xBB\xBF"));  // a byte-order mark, spaces
        while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
        if (std::find(known.begin(), known.end(), name) == known.end()) {
            std::string list;
            for (const auto& k : known) list += (list.empty() ? "" : ", ") + k;
            fileError = "line " + std::to_string(line) + ": unknown column \"" + header[i] + "\" (columns: " + list + ")";
            if (header.size() == 1 && header[i].find_first_of(",;\t") != std::string::npos)
                fileError += "; is the delimiter right? (--delimiter ',', ';' or tab)";
            return false;
        }
        if (!columns.emplace(name, i).second) {
            fileError = "line " + std::to_string(line) + ": column \"" + name + "\" appears twice";
            return false;
        }
    }
    if (!columns.count(required)) {
        fileError = "line " + std::to_string(line) + ": the header has no \"" + required + "\" column";
        return false;
    }
    return true;
}

std::string Field(const std::vector<std::string>& fields, const std::map<std::string, std::size_t>& columns,
                  const std::string& name) {
    const auto it = columns.find(name);
    if (it == columns.end() || it->second >= fields.size()) return {};
    return fields[it->second];
}

template <typename Row, typename Fill>
std::vector<Row> ReadCsv(std::string_view text, const CsvOptions& csv, const std::vector<std::string>& known,
                         const std::string& required, std::string& fileError, Fill fill) {
    std::vector<Row> rows;
    CsvReader reader(text, csv.delimiter == 0 ? DetectDelimiter(text) : csv.delimiter, csv.multiline);
    std::map<std::string, std::size_t> columns;
    if (!ReadHeader(reader, known, required, columns, fileError)) return rows;
    const std::size_t width = columns.size();
    std::vector<std::string> fields;
    long line = 0;
    std::string error;
    while (reader.Next(fields, line, error)) {
        Row row;
        row.line = line;
        if (!error.empty()) {
            row.error = error;
        } else if (fields.size() != width) {
            row.error = std::to_string(fields.size()) + (fields.size() < width ? " fields, too few: " : " fields, too many: ") +
                        "the header names " + std::to_string(width);
            if (reader.LastLine() > line) {
                // A quoted field ran over line ends: most likely a stray
                // quote. The lines it swallowed are read again on their own.
                row.error += " (a quoted field runs on to line " + std::to_string(reader.LastLine()) +
                             "; the lines after this one are read as rows of their own)";
                reader.RereadAfterStartLine();
            }
        } else {
            fill(row, [&](const std::string& name) { return Field(fields, columns, name); });
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

// ---------------------------------------------------------------- JSON Lines
// The first of the names the object has.
const json* Member(const json& object, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        const auto it = object.find(name);
        if (it != object.end() && !it->is_null()) return &*it;
    }
    return nullptr;
}

bool Text(const json& object, std::initializer_list<const char*> names, std::string& out, std::string& error) {
    const json* value = Member(object, names);
    if (value == nullptr) return true;
    if (!value->is_string()) {
        error = std::string("\"") + *names.begin() + "\" must be a string";
        return false;
    }
    out = value->get<std::string>();
    return true;
}

bool Timestamp(const json& object, std::optional<std::int32_t>& out, std::string& error) {
    const json* value = Member(object, {"timestamp", "m_nTimeStamp"});
    if (value == nullptr) return true;
    if (value->is_number_integer()) {
        const auto number = value->get<std::int64_t>();
        if (number >= INT32_MIN && number <= INT32_MAX) {
            out = static_cast<std::int32_t>(number);
            return true;
        }
    } else if (value->is_string()) {
        return ParseTimestamp(value->get<std::string>(), out, error);
    }
    error = "\"timestamp\" must be a 32-bit number of seconds";
    return false;
}

bool ReadPins(const json* value, const char* what, std::vector<std::string>& out, std::string& error) {
    if (value == nullptr) return true;
    if (value->is_string()) {
        out = SplitList(value->get<std::string>(), ',');
        return true;
    }
    if (value->is_array()) {
        out.clear();
        for (const auto& pin : *value) {
            if (pin.is_string()) out.push_back(pin.get<std::string>());
            else if (pin.is_number_integer()) out.push_back(std::to_string(pin.get<long long>()));
            else {
                error = std::string("\"") + what + "\" must hold strings";
                return false;
            }
        }
        return true;
    }
    error = std::string("\"") + what + "\" must be an array or a text like 1,2,3";
    return false;
}

bool CheckKeys(const json& object, const std::vector<std::string>& known, std::string& error) {
    for (const auto& [key, value] : object.items()) {
        if (std::find(known.begin(), known.end(), key) == known.end()) {
            error = "unknown field \"" + key + "\"";
            return false;
        }
    }
    return true;
}

bool JsonCells(const json* value, const std::vector<std::string>& partPins, std::vector<CellRef>& cells,
               std::string& error) {
    if (value == nullptr) return true;
    if (value->is_string()) return ParseCells(value->get<std::string>(), partPins, cells, error);
    if (!value->is_array()) {
        error = "\"cells\" must be an array";
        return false;
    }
    for (const auto& cell : *value) {
        if (cell.is_string()) {
            if (!ParseCells(cell.get<std::string>(), partPins, cells, error)) return false;
            continue;
        }
        if (!cell.is_object()) {
            error = "a cell must be a text or an object";
            return false;
        }
        CellRef ref;
        if (!Text(cell, {"name", "m_sCellName"}, ref.name, error)) return false;
        const json* pins = Member(cell, {"pins", "m_psarrPins"});
        ref.pins = partPins;
        if (!ReadPins(pins, "pins", ref.pins, error)) return false;
        if (ref.name.empty()) {
            error = "a cell without a name";
            return false;
        }
        cells.push_back(std::move(ref));
    }
    return true;
}

bool JsonSymbols(const json* value, std::vector<SymbolRef>& symbols, std::string& error) {
    if (value == nullptr) return true;
    if (value->is_string()) return ParseSymbols(value->get<std::string>(), symbols, error);
    if (!value->is_array()) {
        error = "\"symbols\" must be an array";
        return false;
    }
    for (const auto& symbol : *value) {
        if (symbol.is_string()) {
            if (!ParseSymbols(symbol.get<std::string>(), symbols, error)) return false;
            continue;
        }
        if (!symbol.is_object()) {
            error = "a symbol must be a text or an object";
            return false;
        }
        std::string spec, name;
        std::vector<std::string> pins;
        if (!Text(symbol, {"spec", "item_spec", "m_sItemSpec"}, spec, error) ||
            !Text(symbol, {"name", "m_sSymbolName"}, name, error) ||
            !ReadPins(Member(symbol, {"pins", "m_psarrPins"}), "pins", pins, error)) {
            return false;
        }
        if (spec.empty() && name.empty()) {
            error = "a symbol without a spec";
            return false;
        }
        SymbolRef ref = MakeSymbol(spec.empty() ? name : spec, std::move(pins));
        if (!name.empty()) ref.name = name;
        symbols.push_back(std::move(ref));
    }
    return true;
}

template <typename Row, typename Fill>
std::vector<Row> ReadJsonLines(std::string_view text, Fill fill) {
    std::vector<Row> rows;
    long line = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view content = text.substr(pos, end - pos);
        pos = end + 1;
        ++line;
        if (content.find_first_not_of(" \t\r") == std::string_view::npos) continue;
        Row row;
        row.line = line;
        json object = json::parse(content, nullptr, false);
        if (object.is_discarded()) row.error = "not a JSON object";
        else if (!object.is_object()) row.error = "not a JSON object";
        else fill(row, object);
        rows.push_back(std::move(row));
    }
    return rows;
}

const std::vector<std::string> kPartColumns = {"partition", "number", "name", "label", "type", "description",
                                               "timestamp", "pins", "cells", "symbols"};
const std::vector<std::string> kPartKeys = {
    "partition", "number", "name", "label", "type", "description", "timestamp", "pins", "cells", "symbols",
    "m_sPartitionName", "m_sItemSpec", "m_sPartNumber", "m_sPartName", "m_sPartLabel", "m_sPartType",
    "m_sDescription", "m_nTimeStamp", "m_psarrPins", "m_psarrCells", "m_psarrLogicSymbols"};
const std::vector<std::string> kCellColumns = {"partition", "name", "pins", "timestamp", "padstacks"};
const std::vector<std::string> kCellKeys = {"partition", "name", "pins", "timestamp", "padstacks",
                                            "m_sPartitionName", "m_sItemSpec", "m_sCellName", "m_nTimeStamp",
                                            "m_psarrPins"};

}  // namespace

FileFormat GuessFormat(const std::string& path) {
    const std::string lower = LowerText(path);
    if (EndsWith(lower, ".jsonl") || EndsWith(lower, ".ndjson") || EndsWith(lower, ".json")) return FileFormat::JsonLines;
    return FileFormat::Csv;
}

std::vector<PartRow> ReadPartRows(std::string_view text, FileFormat format, std::string& fileError,
                                  const CsvOptions& csv) {
    if (format == FileFormat::Csv) {
        return ReadCsv<PartRow>(text, csv, kPartColumns, "number", fileError, [](PartRow& row, auto field) {
            row.partition = field("partition");
            row.number = field("number");
            row.name = field("name");
            row.label = field("label");
            row.type = field("type");
            row.description = field("description");
            row.pins = SplitList(field("pins"), ',');
            if (row.number.empty()) row.error = "no part number";
            else if (!ParseTimestamp(field("timestamp"), row.timestamp, row.error)) {}
            else if (!ParseCells(field("cells"), row.pins, row.cells, row.error)) {}
            else ParseSymbols(field("symbols"), row.symbols, row.error);
        });
    }
    return ReadJsonLines<PartRow>(text, [](PartRow& row, const json& o) {
        std::string& e = row.error;
        if (!CheckKeys(o, kPartKeys, e) || !Text(o, {"partition", "m_sPartitionName"}, row.partition, e) ||
            !Text(o, {"number", "m_sPartNumber"}, row.number, e) || !Text(o, {"name", "m_sPartName"}, row.name, e) ||
            !Text(o, {"label", "m_sPartLabel"}, row.label, e) || !Text(o, {"type", "m_sPartType"}, row.type, e) ||
            !Text(o, {"description", "m_sDescription"}, row.description, e) || !Timestamp(o, row.timestamp, e) ||
            !ReadPins(Member(o, {"pins", "m_psarrPins"}), "pins", row.pins, e) ||
            !JsonCells(Member(o, {"cells", "m_psarrCells"}), row.pins, row.cells, e) ||
            !JsonSymbols(Member(o, {"symbols", "m_psarrLogicSymbols"}), row.symbols, e)) {
            return;
        }
        if (row.number.empty()) e = "no part number";
    });
}

std::vector<CellRow> ReadCellRows(std::string_view text, FileFormat format, std::string& fileError,
                                  const CsvOptions& csv) {
    if (format == FileFormat::Csv) {
        return ReadCsv<CellRow>(text, csv, kCellColumns, "name", fileError, [](CellRow& row, auto field) {
            row.partition = field("partition");
            row.name = field("name");
            row.pins = SplitList(field("pins"), ',');
            if (row.name.empty()) row.error = "no cell name";
            else ParseTimestamp(field("timestamp"), row.timestamp, row.error);
        });
    }
    return ReadJsonLines<CellRow>(text, [](CellRow& row, const json& o) {
        std::string& e = row.error;
        if (!CheckKeys(o, kCellKeys, e) || !Text(o, {"partition", "m_sPartitionName"}, row.partition, e) ||
            !Text(o, {"name", "m_sCellName"}, row.name, e) || !Timestamp(o, row.timestamp, e) ||
            !ReadPins(Member(o, {"pins", "m_psarrPins"}), "pins", row.pins, e)) {
            return;
        }
        if (row.name.empty()) e = "no cell name";
    });
}

}  // namespace kelmcli

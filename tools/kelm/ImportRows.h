// The rows of an import file, read from CSV or from JSON Lines into plain
// values; each row keeps its line number. A row that cannot be read carries
// an error instead, and the import reports and skips it.
//
// Part types (kelm import parts), CSV columns (header row, any order, names
// without regard to case):
//   partition    target partition (or --partition)
//   number       part number (required)
//   name, label, type, description
//   timestamp    seconds since 1970 (default: the time of the import)
//   pins         the part's pins: 1,2,3 (used for cells given without pins)
//   cells        cells with optional pins: SOIC8[1,2,3];DIP8
//   symbols      symbol item specs with optional pins: Gates:NAND2[A,B,Y]
// Cells (kelm import cells): partition, name (required), pins, timestamp;
// a padstacks column (written by export) is accepted and not used: the cell's
// padstacks come from the partition's cell file.
// JSON Lines: one object per line with the same names ("pins" may be an
// array or the text notation; "cells" and "symbols" arrays of texts or of
// objects {"name", "pins"} / {"spec", "pins"}), or with the record field
// names (m_sPartNumber, m_psarrCells, m_sCellName, ...).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelmcli {

struct CellRef {
    std::string name;
    std::vector<std::string> pins;
};

struct SymbolRef {
    std::string itemSpec;  // Partition:Symbol
    std::string name;      // the symbol name: the item spec after its last ':'
    std::vector<std::string> pins;
};

struct PartRow {
    long line = 0;
    std::string error;  // not empty: the row cannot be imported
    std::string partition;
    std::string number;
    std::string name;
    std::string label;
    std::string type;
    std::string description;
    std::optional<std::int32_t> timestamp;
    std::vector<std::string> pins;
    std::vector<CellRef> cells;
    std::vector<SymbolRef> symbols;
};

struct CellRow {
    long line = 0;
    std::string error;
    std::string partition;
    std::string name;
    std::optional<std::int32_t> timestamp;
    std::vector<std::string> pins;
};

enum class FileFormat { Csv, JsonLines };

// The format named by --format ("csv", "jsonl"), or guessed from the file's
// extension (.jsonl, .ndjson and .json are JSON Lines; anything else CSV).
FileFormat GuessFormat(const std::string& path);

// How CSV is read: the delimiter (',', ';' or '\t', or 0 to take it from
// the header line), and whether a quoted field may hold line breaks (without,
// a line break inside quotes is taken for a stray quote).
struct CsvOptions {
    char delimiter = 0;
    bool multiline = false;
};

// Reads every row of UTF-8 text. A problem with the file as a whole (a CSV
// header without the required column, an unknown column) fills fileError
// and returns no rows. A CSV row must have as many fields as the header.
std::vector<PartRow> ReadPartRows(std::string_view text, FileFormat format, std::string& fileError,
                                  const CsvOptions& csv = {});
std::vector<CellRow> ReadCellRows(std::string_view text, FileFormat format, std::string& fileError,
                                  const CsvOptions& csv = {});

}  // namespace kelmcli

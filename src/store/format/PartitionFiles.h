// The data files of partitions:
//   PartsDBLibs\<P>.pdb      part types, one per line, sorted by part number
//   CellDBLibs\<P>.cells     the catalog of cells, one per line, sorted by name
//                            (the cell geometry beside it, <P>.cel, belongs to
//                            the cell database)
//   SymbolLibs\<P>\sym\<S>.1 one symbol: its name and pins
// A record's partition is the file it lies in and is not written.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>

#include "store/items/StoreBackend.h"

namespace kelm::store {

using PartMap = std::map<std::string, PartRecord>;
using CellMap = std::map<std::string, CellRecord>;

bool ParsePartFile(const std::string& text, const std::string& fileName, const std::string& partition, PartMap& parts,
                   std::string& error);
// One line of a part file (without its line end), as ParsePartFile reads it.
bool ParsePartLine(std::string_view line, const std::string& partition, PartRecord& part);
// `previous`, when given, is the file the part types were read from, and
// `changed` the numbers of those changed, added or deleted since: the line
// of every other part type is written again as it is when it is byte for
// byte what this function writes for it, and only the rest is serialised.
std::string SerializePartFile(const PartMap& parts, std::string_view previous = {},
                              const std::set<std::string>* changed = nullptr);

// Appends one part type's line as SerializePartFile writes it.
void WritePartLine(std::string& out, const std::string& number, const PartRecord& part);

// Reads a part file for the library-wide indexes without building records:
// every line is checked as strictly as ParsePartFile checks it, and only the
// number of each part type and its cells (the first `cellCount` strings of
// `cells`) are handed on, with the line itself (in `text`, without its line
// end) and whether it is exactly the line SerializePartFile writes for it.
struct PartLine {
    std::string number;
    StringList cells;
    std::size_t cellCount = 0;
    std::string_view line;
    bool canonical = false;
};
using PartLineVisitor = std::function<void(const PartLine&)>;
bool ScanPartFile(const std::string& text, const std::string& fileName, const PartLineVisitor& visit, std::string& error);

bool ParseCellCatalog(const std::string& text, const std::string& fileName, const std::string& partition, CellMap& cells,
                      std::string& error);
std::string SerializeCellCatalog(const CellMap& cells);

bool ParseSymbolFile(const std::string& text, const std::string& fileName, std::string& name, StringList& pins,
                     std::string& error);
std::string SerializeSymbolFile(const std::string& name, const StringList& pins);

inline constexpr const char* kCellCatalogExtension = ".cells";
inline constexpr const char* kSymbolFileExtension = ".1";

}  // namespace kelm::store

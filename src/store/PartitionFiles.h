// The data files of partitions:
//   PartsDBLibs\<P>.pdb      part types, one per line, sorted by part number
//   CellDBLibs\<P>.cells     the catalog of cells, one per line, sorted by name
//                            (the cell geometry beside it, <P>.cel, belongs to
//                            the cell database)
//   SymbolLibs\<P>\sym\<S>.1 one symbol: its name and pins
// A record's partition is the file it lies in and is not written.
#pragma once

#include <map>
#include <string>

#include "store/StoreBackend.h"

namespace kelm::store {

using PartMap = std::map<std::string, PartRecord>;
using CellMap = std::map<std::string, CellRecord>;

bool ParsePartFile(const std::string& text, const std::string& fileName, const std::string& partition, PartMap& parts,
                   std::string& error);
std::string SerializePartFile(const PartMap& parts);

bool ParseCellCatalog(const std::string& text, const std::string& fileName, const std::string& partition, CellMap& cells,
                      std::string& error);
std::string SerializeCellCatalog(const CellMap& cells);

bool ParseSymbolFile(const std::string& text, const std::string& fileName, std::string& name, StringList& pins,
                     std::string& error);
std::string SerializeSymbolFile(const std::string& name, const StringList& pins);

inline constexpr const char* kCellCatalogExtension = ".cells";
inline constexpr const char* kSymbolFileExtension = ".1";

}  // namespace kelm::store

// The cell database file "CellDBLibs\<P>.cel": the geometry of each cell of
// a partition (its pins and padstacks), one cell per line, sorted by name.
// Cell editors and `kelm celldb` write it; CCellDB reads it.
#pragma once

#include <map>
#include <string>

#include "util/StringList.h"

namespace kelm::store {

struct CellGeometry {
    StringList pins;
    StringList padstacks;
};
using CellGeometryMap = std::map<std::string, CellGeometry>;

bool ParseCellDBFile(const std::string& text, const std::string& fileName, CellGeometryMap& cells, std::string& error);
std::string SerializeCellDBFile(const CellGeometryMap& cells);

}  // namespace kelm::store

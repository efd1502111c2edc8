// What an import can learn about its rows from the library before (or
// instead of) handing them to the component: whether the cells and symbols
// a part type names exist, and, for a dry run, what the component would
// refuse. Every answer comes from read-only methods of IKelm (and, for a
// cell's geometry, from the partition's cell file, as the component reads
// it), and is kept for the rest of the run.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ImportRows.h"
#include "KelmClient.h"

namespace kelmcli {

// The part number as the component stores it: the first backslash becomes
// an underscore.
std::string AdjustedPartNumber(std::string number);

class ImportChecks {
public:
    ImportChecks(KelmClient& kelm, std::string libraryFolder);

    // Remarks on a part type whose import would go through: the cells and
    // symbols it names that the library does not hold.
    std::vector<std::string> MissingReferences(const PartRow& row);

    // Why the component would refuse the row; nothing when it would take it.
    std::optional<std::string> RefusalOf(const PartRow& row, bool overwrite);
    std::optional<std::string> RefusalOf(const CellRow& row, bool overwrite);

private:
    bool CellExists(const std::string& cell);
    bool SymbolExists(const std::string& itemSpec);

    KelmClient& m_kelm;
    std::string m_folder;
    std::map<std::string, bool> m_cells;
    std::map<std::string, std::optional<std::set<std::string>>> m_symbolPartitions;  // lower-case name
    std::set<std::string> m_numbersSeen;                                              // earlier rows of this file
    std::map<std::string, std::set<std::string>> m_cellsSeen;                         // partition -> names
    std::map<std::string, std::optional<std::set<std::string>>> m_cellFiles;        // none: cannot be loaded
};

}  // namespace kelmcli

#include "ImportChecks.h"

#include <algorithm>
#include <filesystem>

#include "kelmapi/library.h"

namespace kelmcli {
namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

std::string AdjustedPartNumber(std::string number) {
    const std::size_t backslash = number.find('\\');
    if (backslash != std::string::npos) number[backslash] = '_';
    return number;
}

ImportChecks::ImportChecks(KelmClient& kelm, std::string libraryFolder) : m_kelm(kelm), m_folder(std::move(libraryFolder)) {}

bool ImportChecks::CellExists(const std::string& cell) {
    const auto known = m_cells.find(cell);
    if (known != m_cells.end()) return known->second;
    Strings partitions;
    const bool exists = SUCCEEDED(m_kelm.GetPartitionsStoringThisCell(cell, partitions)) && !partitions.empty();
    m_cells.emplace(cell, exists);
    return exists;
}

bool ImportChecks::SymbolExists(const std::string& itemSpec) {
    const std::size_t colon = itemSpec.rfind(':');
    if (colon == std::string::npos) return false;
    const std::string partition = itemSpec.substr(0, colon);
    auto it = m_symbolPartitions.find(Lower(partition));
    if (it == m_symbolPartitions.end()) {
        Strings symbols;
        std::optional<std::set<std::string>> names;
        if (SUCCEEDED(m_kelm.GetPartitionItems(partition, "*", KelmEnum_ObjType_LogicSymbol, symbols))) {
            names.emplace();
            for (const std::string& qualified : symbols) names->insert(qualified.substr(qualified.find(':') + 1));
        }
        it = m_symbolPartitions.emplace(Lower(partition), std::move(names)).first;
    }
    return it->second && it->second->count(itemSpec.substr(colon + 1)) > 0;
}

std::vector<std::string> ImportChecks::MissingReferences(const PartRow& row) {
    std::vector<std::string> missing;
    for (const CellRef& cell : row.cells) {
        if (!CellExists(cell.name)) missing.push_back("cell '" + cell.name + "' is in no cell partition");
    }
    for (const SymbolRef& symbol : row.symbols) {
        if (!SymbolExists(symbol.itemSpec)) missing.push_back("symbol '" + symbol.itemSpec + "' does not exist");
    }
    return missing;
}

std::optional<std::string> ImportChecks::RefusalOf(const PartRow& row, bool overwrite) {
    const std::string number = AdjustedPartNumber(row.number);
    if (overwrite) return std::nullopt;  // a later row replaces an earlier one
    if (!m_numbersSeen.insert(number).second) return "part number '" + number + "' comes twice in the file";
    std::string partition;
    if (SUCCEEDED(m_kelm.FindItemPartition(number, KelmEnum_ObjType_PartType, partition)) && !partition.empty())
        return "Part Number already exists (in partition '" + partition + "'); --overwrite replaces it";
    return std::nullopt;
}

std::optional<std::string> ImportChecks::RefusalOf(const CellRow& row, bool overwrite) {
    if (!overwrite && !m_cellsSeen[Lower(row.partition)].insert(row.name).second)
        return "cell '" + row.name + "' comes twice for partition '" + row.partition + "'";
    bool exists = false;
    if (!overwrite && SUCCEEDED(m_kelm.DoesItemExist(row.partition, {}, row.name, KelmEnum_ObjType_Cell, exists)) && exists)
        return "Cell already exists; --overwrite replaces it";
    auto file = m_cellFiles.find(Lower(row.partition));
    const std::string path =
        (std::filesystem::path(m_folder) / "CellDBLibs" / (row.partition + ".cel")).string();
    if (file == m_cellFiles.end()) {
        std::optional<std::set<std::string>> cells;
        if (kelmapi::Names names; SUCCEEDED(kelmapi::ListCellGeometry(path, names))) cells.emplace(names.begin(), names.end());
        file = m_cellFiles.emplace(Lower(row.partition), std::move(cells)).first;
    }
    if (!file->second) return "Couldn't load CEL file " + path;
    if (file->second->count(row.name) == 0) return "Cell " + row.name + " not found in CEL file";
    return std::nullopt;
}

}  // namespace kelmcli

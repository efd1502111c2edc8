// The file-backed cell database: CCellDB reads a partition's cell file.
#include "platform/Files.h"
#include "store/db/CellDB.h"
#include "store/db/CellDBFile.h"
#include "store/items/StoreStatus.h"

namespace kelm::celldb {
namespace {
class FileCellDB : public CellDBImpl {
public:
    int Init() override {
        m_cells.clear();
        m_loaded = false;
        return 0;
    }
    int Load(const std::string& path, int) override {
        std::string text, error;
        store::CellGeometryMap cells;
        if (platform::ReadWholeFile(path, text, error) != platform::FileResult::Ok) return store::KELM_E_IO;
        if (!store::ParseCellDBFile(text, path, cells, error)) return store::KELM_E_CORRUPT;
        m_cells = std::move(cells);
        m_loaded = true;
        return 0;
    }
    int FindCell(CCellDBCell& cell, const std::string& name) override {
        const auto it = m_cells.find(name);
        if (!m_loaded || it == m_cells.end()) return kCellNotFound;
        cell.name = name;
        cell.pins = it->second.pins;
        cell.padstacks = it->second.padstacks;
        return 0;
    }
    void Close() override { Init(); }

private:
    store::CellGeometryMap m_cells;
    bool m_loaded = false;
};
}  // namespace

std::unique_ptr<CellDBImpl> CreateFileCellDB() { return std::make_unique<FileCellDB>(); }

}  // namespace kelm::celldb

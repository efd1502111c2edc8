#include "store/db/CellDB.h"

#include <algorithm>
#include <mutex>

#include "store/items/StoreStatus.h"

namespace kelm::celldb {
namespace {
std::mutex g_mutex;
CellDBFactory g_factory;

StringList Sorted(StringList list) {
    std::sort(list.begin(), list.end());
    return list;
}
}  // namespace

int CCellDBCell::GetSortedListOfPadstackNames(StringList& out) const { out = Sorted(padstacks); return 0; }
int CCellDBCell::GetSortedListOfPinNumbers(StringList& out) const { out = Sorted(pins); return 0; }

void SetCellDBFactory(CellDBFactory factory) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_factory = std::move(factory);
}

CCellDB::CCellDB() {
    CellDBFactory factory;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        factory = g_factory;
    }
    m_impl = factory ? factory() : CreateFileCellDB();
}
CCellDB::~CCellDB() = default;

int CCellDB::Init() { return m_impl ? m_impl->Init() : store::KELM_E_STORE_UNAVAILABLE; }
int CCellDB::Load(const char* path, int mode) {
    return m_impl ? m_impl->Load(path ? path : "", mode) : store::KELM_E_STORE_UNAVAILABLE;
}
int CCellDB::FindCell(CCellDBCell& cell, const std::string& name) {
    return m_impl ? m_impl->FindCell(cell, name) : kCellNotFound;
}
void CCellDB::Close() { if (m_impl) m_impl->Close(); }

}  // namespace kelm::celldb

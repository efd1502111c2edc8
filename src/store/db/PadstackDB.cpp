#include "store/db/PadstackDB.h"

#include <mutex>

#include "store/items/StoreStatus.h"

namespace kelm::padstackdb {
namespace {
std::mutex g_mutex;
PadstackDBFactory g_factory;
constexpr int kUnbound = -1;
}  // namespace

int CPadstackDBBase::SetName(const std::string& name) { if (!m_data) return kUnbound; m_data->name = name; return 0; }
int CPadstackDBBase::SetType(int type) { if (!m_data) return kUnbound; m_data->type = type; return 0; }
int CPadstackDBBase::SetTimestamp(std::int32_t time) { if (!m_data) return kUnbound; m_data->timestamp = time; return 0; }

void SetPadstackDBFactory(PadstackDBFactory factory) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_factory = std::move(factory);
}

CPadstackDB::CPadstackDB() {
    PadstackDBFactory factory;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        factory = g_factory;
    }
    m_impl = factory ? factory() : CreateFilePadstackDB();
}
CPadstackDB::~CPadstackDB() = default;

int CPadstackDB::Init() { return m_impl ? m_impl->Init() : store::KELM_E_STORE_UNAVAILABLE; }
int CPadstackDB::Load(const char* path, int mode) {
    return m_impl ? m_impl->Load(path ? path : "", mode) : store::KELM_E_STORE_UNAVAILABLE;
}
int CPadstackDB::FindPadstack(CPadstackDBPadstack& record, const std::string& name) {
    return m_impl ? m_impl->FindPadstack(record, name) : store::KELM_E_STORE_UNAVAILABLE;
}
int CPadstackDB::NewPadstack(CPadstackDBPadstack& record, const std::string& name) {
    return m_impl ? m_impl->NewPadstack(record, name) : store::KELM_E_STORE_UNAVAILABLE;
}
int CPadstackDB::Save(const char* path) { return m_impl ? m_impl->Save(path) : store::KELM_E_STORE_UNAVAILABLE; }
void CPadstackDB::Close() { if (m_impl) m_impl->Close(); }

}  // namespace kelm::padstackdb

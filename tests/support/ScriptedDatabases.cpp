#include "support/ScriptedDatabases.h"

#include <algorithm>

namespace kelm::testing {
namespace {

class CellDBScript : public celldb::CellDBImpl {
public:
    explicit CellDBScript(ScriptedCellDB& script) : m_script(script) {}
    int Init() override { m_script.calls.push_back("Init()"); return 0; }
    int Load(const std::string& path, int mode) override {
        m_script.calls.push_back("Load(" + path + ", " + std::to_string(mode) + ")");
        return m_script.loadStatus;
    }
    int FindCell(celldb::CCellDBCell& cell, const std::string& name) override {
        m_script.calls.push_back("FindCell(" + name + ")");
        auto it = m_script.cells.find(name);
        if (it == m_script.cells.end()) return celldb::kCellNotFound;
        cell = it->second;
        return 0;
    }
    void Close() override { m_script.calls.push_back("Close()"); }

private:
    ScriptedCellDB& m_script;
};

class PadstackDBScript : public padstackdb::PadstackDBImpl {
public:
    explicit PadstackDBScript(ScriptedPadstackDB& script) : m_script(script) {}
    int Init() override { m_script.calls.push_back("Init()"); return m_script.initStatus; }
    int Load(const std::string& path, int mode) override {
        m_script.calls.push_back("Load(" + path + ", " + std::to_string(mode) + ")");
        return m_script.loadStatus;
    }
    int FindPadstack(padstackdb::CPadstackDBPadstack&, const std::string& name) override {
        m_script.calls.push_back("FindPadstack(" + name + ")");
        const auto& names = m_script.existing;
        return std::find(names.begin(), names.end(), name) != names.end() ? 0 : -1;
    }
    int NewPadstack(padstackdb::CPadstackDBPadstack& record, const std::string& name) override {
        m_script.calls.push_back("NewPadstack(" + name + ")");
        if (m_script.newStatus != 0) return m_script.newStatus;
        auto data = std::make_shared<padstackdb::PadstackData>();
        record.Bind(data);
        m_script.created.push_back(data);
        return 0;
    }
    int Save(const char* path) override {
        m_script.calls.push_back(std::string("Save(") + (path ? path : "null") + ")");
        return m_script.saveStatus;
    }
    void Close() override { m_script.calls.push_back("Close()"); }

private:
    ScriptedPadstackDB& m_script;
};

}  // namespace

ScriptedCellDB::ScriptedCellDB() {
    celldb::SetCellDBFactory([this] { return std::make_unique<CellDBScript>(*this); });
}
ScriptedCellDB::~ScriptedCellDB() { celldb::SetCellDBFactory({}); }

ScriptedPadstackDB::ScriptedPadstackDB() {
    padstackdb::SetPadstackDBFactory([this] { return std::make_unique<PadstackDBScript>(*this); });
}
ScriptedPadstackDB::~ScriptedPadstackDB() { padstackdb::SetPadstackDBFactory({}); }

}  // namespace kelm::testing

#include "support/ScriptedStore.h"

#include <algorithm>

namespace kelm::testing {
namespace {

std::string Joined(const std::vector<std::string>& keys) {
    std::string key;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (i) key += '|';
        key += keys[i];
    }
    return key;
}

template <typename Map>
auto FindFor(const Map& map, const std::vector<std::string>& keys) -> const typename Map::mapped_type* {
    if (auto it = map.find(Joined(keys)); it != map.end()) return &it->second;
    if (!keys.empty()) {
        if (auto it = map.find(keys.front()); it != map.end()) return &it->second;
    }
    return nullptr;
}

}  // namespace

std::string ListText(const StringList& list) {
    std::string text = "[";
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (i) text += ',';
        text += list[i];
    }
    return text + "]";
}

std::string StoreCall::Text() const {
    std::string text = op + "(";
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (i) text += ", ";
        text += args[i];
    }
    return text + ")";
}

// ---------------------------------------------------------------- scripting
ScriptedStore& ScriptedStore::Returns(const std::string& op, HRESULT status) { m_scripts[op].status = status; return *this; }
ScriptedStore& ScriptedStore::ReturnsOnce(const std::string& op, HRESULT status) { m_scripts[op].once.push_back(status); return *this; }
ScriptedStore& ScriptedStore::ReturnsFor(const std::string& op, const std::string& key, HRESULT status) { m_scripts[op].statusFor[key] = status; return *this; }
ScriptedStore& ScriptedStore::Fills(const std::string& op, StringList list) { m_scripts[op].list = std::move(list); return *this; }
ScriptedStore& ScriptedStore::FillsFor(const std::string& op, const std::string& key, StringList list) { m_scripts[op].listFor[key] = std::move(list); return *this; }
ScriptedStore& ScriptedStore::FillsString(const std::string& op, std::string value) { m_scripts[op].text = std::move(value); return *this; }
ScriptedStore& ScriptedStore::FillsStringFor(const std::string& op, const std::string& key, std::string value) { m_scripts[op].stringFor[key] = std::move(value); return *this; }
ScriptedStore& ScriptedStore::FillsInt(const std::string& op, int value) { m_scripts[op].integer = value; return *this; }
ScriptedStore& ScriptedStore::CellExists(const std::string& key) { m_existingCells.push_back(key); return *this; }

std::vector<std::string> ScriptedStore::Ops() const {
    std::vector<std::string> ops;
    for (const auto& call : m_calls) ops.push_back(call.op);
    return ops;
}

std::vector<std::string> ScriptedStore::CallTexts(const std::string& prefix) const {
    std::vector<std::string> texts;
    for (const auto& call : m_calls) {
        if (call.op.rfind(prefix, 0) == 0) texts.push_back(call.Text());
    }
    return texts;
}

int ScriptedStore::Count(const std::string& op) const {
    return static_cast<int>(std::count_if(m_calls.begin(), m_calls.end(), [&](const StoreCall& c) { return c.op == op; }));
}

const StoreCall* ScriptedStore::Last(const std::string& op) const {
    for (auto it = m_calls.rbegin(); it != m_calls.rend(); ++it) {
        if (it->op == op) return &*it;
    }
    return nullptr;
}

HRESULT ScriptedStore::Record(const std::string& op, const store::ObjectState& state, std::vector<std::string> args,
                              const std::vector<std::string>& keys) {
    m_calls.push_back(StoreCall{op, std::move(args), state});
    auto it = m_scripts.find(op);
    if (it == m_scripts.end()) return S_OK;
    Script& script = it->second;
    if (!script.once.empty()) {
        const HRESULT status = script.once.front();
        script.once.erase(script.once.begin());
        return status;
    }
    if (const HRESULT* status = FindFor(script.statusFor, keys)) return *status;
    return script.status.value_or(S_OK);
}

void ScriptedStore::Fill(const std::string& op, const std::vector<std::string>& keys, StringList& out) {
    auto it = m_scripts.find(op);
    if (it == m_scripts.end()) return;
    if (const StringList* list = FindFor(it->second.listFor, keys)) out = *list;
    else if (it->second.list) out = *it->second.list;
}

void ScriptedStore::Fill(const std::string& op, const std::vector<std::string>& keys, std::string& out) {
    auto it = m_scripts.find(op);
    if (it == m_scripts.end()) return;
    if (const std::string* text = FindFor(it->second.stringFor, keys)) out = *text;
    else if (it->second.text) out = *it->second.text;
}

void ScriptedStore::Fill(const std::string& op, const std::vector<std::string>&, int& out) {
    auto it = m_scripts.find(op);
    if (it != m_scripts.end() && it->second.integer) out = *it->second.integer;
}

bool ScriptedStore::CellExists(const State& s, In cell, In partition) {
    Record("KelmCell::DoesCellExist", s, {cell, partition}, {cell, partition});
    const auto known = [&](const std::string& key) {
        return std::find(m_existingCells.begin(), m_existingCells.end(), key) != m_existingCells.end();
    };
    return known(cell + "|" + partition) || known(cell);
}

}  // namespace kelm::testing

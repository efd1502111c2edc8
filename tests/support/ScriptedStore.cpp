#include "support/ScriptedStore.h"

namespace kelm::testing {

ScriptedStore& ScriptedStore::Returns(const std::string& op, HRESULT status) {
    m_scripts[op].status = status;
    return *this;
}
ScriptedStore& ScriptedStore::ReturnsFor(const std::string& op, const std::string& key, HRESULT status) {
    m_scripts[op].statusFor[key] = status;
    return *this;
}
ScriptedStore& ScriptedStore::Fills(const std::string& op, StringList list) {
    m_scripts[op].list = std::move(list);
    return *this;
}
ScriptedStore& ScriptedStore::FillsString(const std::string& op, std::string value) {
    m_scripts[op].text = std::move(value);
    return *this;
}

int ScriptedStore::Count(const std::string& op) const {
    auto it = m_counts.find(op);
    return it == m_counts.end() ? 0 : it->second;
}

HRESULT ScriptedStore::Answer(const std::string& op, const std::vector<std::string>& keys) {
    ++m_counts[op];
    auto it = m_scripts.find(op);
    if (it == m_scripts.end()) return S_OK;
    std::string joined;
    for (const std::string& key : keys) joined += (joined.empty() ? "" : "|") + key;
    for (const std::string& key : {joined, keys.empty() ? std::string() : keys.front()}) {
        if (auto found = it->second.statusFor.find(key); found != it->second.statusFor.end()) return found->second;
    }
    return it->second.status.value_or(S_OK);
}

}  // namespace kelm::testing

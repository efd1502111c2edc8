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

std::string Str(const char* text) { return text ? std::string(text) : std::string("null"); }
std::string Int(long long value) { return std::to_string(value); }

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

std::vector<std::string> ScriptedStore::CallTexts() const {
    std::vector<std::string> texts;
    for (const auto& call : m_calls) texts.push_back(call.Text());
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

void ScriptedStore::FillList(const std::string& op, const std::vector<std::string>& keys, StringList& out) {
    auto it = m_scripts.find(op);
    if (it == m_scripts.end()) return;
    if (const StringList* list = FindFor(it->second.listFor, keys)) { out = *list; return; }
    if (it->second.list) out = *it->second.list;
}

void ScriptedStore::FillString(const std::string& op, const std::vector<std::string>& keys, std::string& out) {
    auto it = m_scripts.find(op);
    if (it == m_scripts.end()) return;
    if (const std::string* text = FindFor(it->second.stringFor, keys)) { out = *text; return; }
    if (it->second.text) out = *it->second.text;
}

void ScriptedStore::FillInt(const std::string& op, int& out) {
    auto it = m_scripts.find(op);
    if (it != m_scripts.end() && it->second.integer) out = *it->second.integer;
}

// ---------------------------------------------------------------- KelmServer
namespace { const store::ObjectState kServerState{}; }

HRESULT ScriptedStore::Init() { return Record("KelmServer::Init", kServerState, {}, {}); }
HRESULT ScriptedStore::Load(const char* file, int mode) { return Record("KelmServer::Load", kServerState, {Str(file), Int(mode)}, {Str(file)}); }
HRESULT ScriptedStore::Save(const char* file, int f1, int f2) { return Record("KelmServer::Save", kServerState, {Str(file), Int(f1), Int(f2)}, {}); }
void ScriptedStore::Close() { Record("KelmServer::Close", kServerState, {}, {}); }

// ---------------------------------------------------------------- KelmSchemePartition
#define SP "KelmSchemePartition::"
HRESULT ScriptedStore::GetSchemes(const store::ObjectState& s, StringList& out) {
    const HRESULT hr = Record(SP "GetSchemes", s, {}, {});
    FillList(SP "GetSchemes", {}, out);
    return hr;
}
HRESULT ScriptedStore::GetDefaultSearchSchemeName(const store::ObjectState& s, std::string& out) {
    const HRESULT hr = Record(SP "GetDefaultSearchSchemeName", s, {}, {});
    FillString(SP "GetDefaultSearchSchemeName", {}, out);
    return hr;
}
HRESULT ScriptedStore::GetDefaultSearchScheme(const store::ObjectState& s, StringList& out) {
    const HRESULT hr = Record(SP "GetDefaultSearchScheme", s, {}, {});
    FillList(SP "GetDefaultSearchScheme", {}, out);
    return hr;
}
HRESULT ScriptedStore::GetSchemePartitionList(const store::ObjectState& s, const std::string& scheme, StringList& out) {
    const HRESULT hr = Record(SP "GetSchemePartitionList", s, {scheme}, {scheme});
    FillList(SP "GetSchemePartitionList", {scheme}, out);
    return hr;
}
HRESULT ScriptedStore::GetAllPartitions(const store::ObjectState& s, StringList& out, int flag) {
    const HRESULT hr = Record(SP "GetAllPartitions", s, {Int(flag)}, {});
    FillList(SP "GetAllPartitions", {}, out);
    return hr;
}
HRESULT ScriptedStore::GetNumObjectsInPartition(const store::ObjectState& s, const std::string& partition, int& count) {
    const HRESULT hr = Record(SP "GetNumObjectsInPartition", s, {partition, Int(count)}, {partition});
    FillInt(SP "GetNumObjectsInPartition", count);
    return hr;
}
HRESULT ScriptedStore::AddPartition(const store::ObjectState& s, const std::string& path, int flag) {
    return Record(SP "AddPartition", s, {path, Int(flag)}, {path});
}
HRESULT ScriptedStore::DeletePartition(const store::ObjectState& s, const std::string& path) {
    return Record(SP "DeletePartition", s, {path}, {path});
}
HRESULT ScriptedStore::AddSearchScheme(const store::ObjectState& s, const std::string& scheme, const StringList& list,
                                       int protection, int flag) {
    return Record(SP "AddSearchScheme", s, {scheme, ListText(list), Int(protection), Int(flag)}, {scheme});
}
HRESULT ScriptedStore::DeleteScheme(const store::ObjectState& s, const std::string& scheme) {
    return Record(SP "DeleteScheme", s, {scheme}, {scheme});
}
HRESULT ScriptedStore::GetDefaultSchemeProtection(const store::ObjectState& s, int& value) {
    const HRESULT hr = Record(SP "GetDefaultSchemeProtection", s, {}, {});
    FillInt(SP "GetDefaultSchemeProtection", value);
    return hr;
}
HRESULT ScriptedStore::ReservePartition(const store::ObjectState& s, const std::string& partition, const std::string& user) {
    return Record(SP "ReservePartition", s, {partition, user}, {partition, user});
}
HRESULT ScriptedStore::UnReservePartition(const store::ObjectState& s, const std::string& partition, const std::string& user) {
    return Record(SP "UnReservePartition", s, {partition, user}, {partition, user});
}
HRESULT ScriptedStore::GetPartitionReservation(const store::ObjectState& s, const std::string& partition, std::string& holder) {
    const HRESULT hr = Record(SP "GetPartitionReservation", s, {partition}, {partition});
    FillString(SP "GetPartitionReservation", {partition}, holder);
    return hr;
}
#undef SP

// ---------------------------------------------------------------- KelmPart
#define PT "KelmPart::"
HRESULT ScriptedStore::PartAdd(const store::ObjectState& s, const std::string& partition, const StringList& pins,
                               const std::string& part, const char* fourth, int a, int b) {
    return Record(PT "Add", s, {partition, ListText(pins), part, Str(fourth), Int(a), Int(b)}, {partition, part});
}
HRESULT ScriptedStore::PartDelete(const store::ObjectState& s, const std::string& part) { return Record(PT "Delete", s, {part}, {part}); }
HRESULT ScriptedStore::PartSetName(const store::ObjectState& s, const std::string& text, const std::string& part) { return Record(PT "SetName", s, {text, part}, {text, part}); }
HRESULT ScriptedStore::PartSetNameDefault(const store::ObjectState& s, int value, const std::string& part) { return Record(PT "SetNameDefault", s, {Int(value), part}, {part}); }
HRESULT ScriptedStore::PartSetLabel(const store::ObjectState& s, const std::string& text, const std::string& part) { return Record(PT "SetLabel", s, {text, part}, {text, part}); }
HRESULT ScriptedStore::PartSetLabelDefault(const store::ObjectState& s, int value, const std::string& part) { return Record(PT "SetLabelDefault", s, {Int(value), part}, {part}); }
HRESULT ScriptedStore::PartSetDesc(const store::ObjectState& s, const std::string& text, const std::string& part) { return Record(PT "SetDesc", s, {text, part}, {text, part}); }
HRESULT ScriptedStore::PartSetType(const store::ObjectState& s, const std::string& text, const std::string& part) { return Record(PT "SetType", s, {text, part}, {text, part}); }
HRESULT ScriptedStore::PartSetTimestamp(const store::ObjectState& s, std::int32_t time, const std::string& part) { return Record(PT "SetTimestamp", s, {Int(time), part}, {part}); }
HRESULT ScriptedStore::PartAddSymbol(const store::ObjectState& s, const std::string& symbol, const StringList& pins, const std::string& part) {
    return Record(PT "AddSymbol", s, {symbol, ListText(pins), part}, {symbol, part});
}
HRESULT ScriptedStore::PartAddCell(const store::ObjectState& s, const std::string& cell, const std::string& part) { return Record(PT "AddCell", s, {cell, part}, {cell, part}); }
HRESULT ScriptedStore::PartGetPinNumbers(const store::ObjectState& s, StringList& out, const std::string& part) {
    const HRESULT hr = Record(PT "GetPinNumbers", s, {part}, {part});
    FillList(PT "GetPinNumbers", {part}, out);
    return hr;
}
HRESULT ScriptedStore::PartGetPartsInPartition(const store::ObjectState& s, StringList& out, const std::string& partition) {
    const HRESULT hr = Record(PT "GetPartsInPartition", s, {partition}, {partition});
    FillList(PT "GetPartsInPartition", {partition}, out);
    return hr;
}
HRESULT ScriptedStore::PartGetPartition(const store::ObjectState& s, std::string& out, const std::string& part) {
    const HRESULT hr = Record(PT "GetPartition", s, {out, part}, {part});
    FillString(PT "GetPartition", {part}, out);
    return hr;
}
#undef PT

// ---------------------------------------------------------------- KelmCell
#define CL "KelmCell::"
HRESULT ScriptedStore::CellAdd(const store::ObjectState& s, const StringList& pins, const std::string& cell,
                               const std::string& partition, int type, std::int32_t time, int a, int b) {
    return Record(CL "Add", s, {ListText(pins), cell, partition, Int(type), Int(time), Int(a), Int(b)}, {cell, partition});
}
HRESULT ScriptedStore::CellDelete(const store::ObjectState& s, const std::string& cell, const std::string& partition) {
    return Record(CL "Delete", s, {cell, partition}, {cell, partition});
}
bool ScriptedStore::CellExists(const store::ObjectState& s, const std::string& cell, const std::string& partition) {
    Record(CL "DoesCellExist", s, {cell, partition}, {cell, partition});
    const std::string both = cell + "|" + partition;
    return std::find(m_existingCells.begin(), m_existingCells.end(), both) != m_existingCells.end() ||
           std::find(m_existingCells.begin(), m_existingCells.end(), cell) != m_existingCells.end();
}
HRESULT ScriptedStore::CellReplacePins(const store::ObjectState& s, const StringList& pins, const std::string& cell) {
    return Record(CL "ReplacePins", s, {ListText(pins), cell}, {cell});
}
HRESULT ScriptedStore::CellAddPadstack(const store::ObjectState& s, const std::string& padstack, const std::string& cell, const char* third) {
    return Record(CL "AddPadstack", s, {padstack, cell, Str(third)}, {padstack, cell});
}
HRESULT ScriptedStore::CellSetTimestamp(const store::ObjectState& s, std::int32_t time, const std::string& cell, const std::string& partition) {
    return Record(CL "SetTimestamp", s, {Int(time), cell, partition}, {cell, partition});
}
HRESULT ScriptedStore::CellGetPinNames(const store::ObjectState& s, StringList& out, const std::string& cell) {
    const HRESULT hr = Record(CL "GetPinNames", s, {cell}, {cell});
    FillList(CL "GetPinNames", {cell}, out);
    return hr;
}
HRESULT ScriptedStore::CellGetPadstackNames(const store::ObjectState& s, StringList& out, const std::string& cell, const char* third) {
    const HRESULT hr = Record(CL "GetPadstackNames", s, {cell, Str(third)}, {cell});
    FillList(CL "GetPadstackNames", {cell}, out);
    return hr;
}
HRESULT ScriptedStore::CellGetType(const store::ObjectState& s, int& type, const std::string& cell, const std::string& partition) {
    const HRESULT hr = Record(CL "GetType", s, {Int(type), cell, partition}, {cell, partition});
    FillInt(CL "GetType", type);
    return hr;
}
HRESULT ScriptedStore::CellGetPartNumbers(const store::ObjectState& s, StringList& out, const std::string& cell) {
    const HRESULT hr = Record(CL "GetPartNumbers", s, {cell}, {cell});
    FillList(CL "GetPartNumbers", {cell}, out);
    return hr;
}
HRESULT ScriptedStore::CellGetPartitionNames(const store::ObjectState& s, StringList& out, const std::string& cell) {
    const HRESULT hr = Record(CL "GetPartitionNames", s, {cell}, {cell});
    FillList(CL "GetPartitionNames", {cell}, out);
    return hr;
}
HRESULT ScriptedStore::CellGetCellsInPartition(const store::ObjectState& s, StringList& out, const std::string& partition) {
    const HRESULT hr = Record(CL "GetCellsInPartition", s, {partition}, {partition});
    FillList(CL "GetCellsInPartition", {partition}, out);
    return hr;
}
#undef CL

// ---------------------------------------------------------------- KelmSymbol
#define SY "KelmSymbol::"
HRESULT ScriptedStore::SymbolGetSymbolsInPartition(const store::ObjectState& s, StringList& out, const std::string& partition) {
    const HRESULT hr = Record(SY "GetSymbolsInPartition", s, {partition}, {partition});
    FillList(SY "GetSymbolsInPartition", {partition}, out);
    return hr;
}
HRESULT ScriptedStore::SymbolGetPinNames(const store::ObjectState& s, StringList& out, const std::string& symbol) {
    const HRESULT hr = Record(SY "GetPinNames", s, {symbol}, {symbol});
    FillList(SY "GetPinNames", {symbol}, out);
    return hr;
}
HRESULT ScriptedStore::SymbolGetPartitionNames(const store::ObjectState& s, StringList& out, const std::string& symbol) {
    const HRESULT hr = Record(SY "GetPartitionNames", s, {symbol}, {symbol});
    FillList(SY "GetPartitionNames", {symbol}, out);
    return hr;
}
#undef SY

}  // namespace kelm::testing

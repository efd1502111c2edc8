// A library store double for the statuses the file store never gives: each
// operation ("KelmServer::Load", "KelmPart::Add", ...) answers what the test
// scripted (else S_OK) and fills its out-parameter from the script. A status
// for a key (the call's input strings joined by '|', or the first one alone)
// wins over the operation's standing one.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "store/items/StoreBackend.h"

namespace kelm::testing {

class ScriptedStore : public store::StoreBackend {
public:
    ScriptedStore& Returns(const std::string& op, HRESULT status) { return m_scripts[op].status = status, *this; }
    ScriptedStore& ReturnsFor(const std::string& op, const std::string& key, HRESULT status) {
        return m_scripts[op].statusFor[key] = status, *this;
    }
    ScriptedStore& Fills(const std::string& op, StringList list) { return m_scripts[op].list = std::move(list), *this; }
    ScriptedStore& FillsString(const std::string& op, std::string text) {
        return m_scripts[op].text = std::move(text), *this;
    }
    int Count(const std::string& op) const { return m_counts.count(op) ? m_counts.at(op) : 0; }
    using State = store::ObjectState;
    using In = const std::string&;
    using List = StringList&;
    using Text = std::string&;
#define ANSWER(name, ...) { return Answer(name, {__VA_ARGS__}); }
#define ANSWER_OUT(name, out, ...) { return Answer(name, {__VA_ARGS__}, out); }
    HRESULT Init() override ANSWER("KelmServer::Init")
    HRESULT Load(const char* file, int) override ANSWER("KelmServer::Load", file ? file : "")
    HRESULT Save(const char*, int, int) override ANSWER("KelmServer::Save")
    void Close() override { Answer("KelmServer::Close", {}); }

#define SP "KelmSchemePartition::"
    HRESULT GetSchemes(const State&, List out) override ANSWER_OUT(SP "GetSchemes", out)
    HRESULT GetDefaultSearchSchemeName(const State&, Text out) override ANSWER_OUT(SP "GetDefaultSearchSchemeName", out)
    HRESULT GetDefaultSearchScheme(const State&, List out) override ANSWER_OUT(SP "GetDefaultSearchScheme", out)
    HRESULT GetSchemePartitionList(const State&, In s, List out) override
        ANSWER_OUT(SP "GetSchemePartitionList", out, s)
    HRESULT GetAllPartitions(const State&, List out, int) override ANSWER_OUT(SP "GetAllPartitions", out)
    HRESULT GetNumObjectsInPartition(const State&, In p, int& n) override
        ANSWER_OUT(SP "GetNumObjectsInPartition", n, p)
    HRESULT AddPartition(const State&, In path, int) override ANSWER(SP "AddPartition", path)
    HRESULT DeletePartition(const State&, In path) override ANSWER(SP "DeletePartition", path)
    HRESULT AddSearchScheme(const State&, In s, const StringList&, int, int) override ANSWER(SP "AddSearchScheme", s)
    HRESULT DeleteScheme(const State&, In s) override ANSWER(SP "DeleteScheme", s)
    HRESULT GetDefaultSchemeProtection(const State&, int& v) override ANSWER_OUT(SP "GetDefaultSchemeProtection", v)
    HRESULT ReservePartition(const State&, In p, In user) override ANSWER(SP "ReservePartition", p, user)
    HRESULT UnReservePartition(const State&, In p, In user) override ANSWER(SP "UnReservePartition", p, user)
    HRESULT GetPartitionReservation(const State&, In p, Text out) override
        ANSWER_OUT(SP "GetPartitionReservation", out, p)
#undef SP

#define PT "KelmPart::"
    HRESULT PartAdd(const State&, In partition, const StringList&, In part, const char*, int, int) override
        ANSWER(PT "Add", part, partition)
    HRESULT PartDelete(const State&, In part) override ANSWER(PT "Delete", part)
    HRESULT PartSetName(const State&, In, In part) override ANSWER(PT "SetName", part)
    HRESULT PartSetNameDefault(const State&, int, In part) override ANSWER(PT "SetNameDefault", part)
    HRESULT PartSetLabel(const State&, In, In part) override ANSWER(PT "SetLabel", part)
    HRESULT PartSetLabelDefault(const State&, int, In part) override ANSWER(PT "SetLabelDefault", part)
    HRESULT PartSetDesc(const State&, In, In part) override ANSWER(PT "SetDesc", part)
    HRESULT PartSetType(const State&, In, In part) override ANSWER(PT "SetType", part)
    HRESULT PartSetTimestamp(const State&, std::int32_t, In part) override ANSWER(PT "SetTimestamp", part)
    HRESULT PartAddSymbol(const State&, In symbol, const StringList&, In part) override
        ANSWER(PT "AddSymbol", symbol, part)
    HRESULT PartAddCell(const State&, In cell, In part) override ANSWER(PT "AddCell", cell, part)
    HRESULT PartGetPinNumbers(const State&, List out, In part) override ANSWER_OUT(PT "GetPinNumbers", out, part)
    HRESULT PartGetPartsInPartition(const State&, List out, In p) override ANSWER_OUT(PT "GetPartsInPartition", out, p)
    HRESULT PartGetPartition(const State&, Text out, In part) override ANSWER_OUT(PT "GetPartition", out, part)
#undef PT

#define CL "KelmCell::"
    HRESULT CellAdd(const State&, const StringList&, In cell, In partition, int, std::int32_t, int, int) override
        ANSWER(CL "Add", cell, partition)
    HRESULT CellDelete(const State&, In cell, In p) override ANSWER(CL "Delete", cell, p)
    bool CellExists(const State&, In cell, In p) override { return Answer(CL "DoesCellExist", {cell, p}) != 0; }
    HRESULT CellReplacePins(const State&, const StringList&, In cell) override ANSWER(CL "ReplacePins", cell)
    HRESULT CellAddPadstack(const State&, In padstack, In cell, const char*) override
        ANSWER(CL "AddPadstack", padstack, cell)
    HRESULT CellSetTimestamp(const State&, std::int32_t, In cell, In p) override ANSWER(CL "SetTimestamp", cell, p)
    HRESULT CellGetPinNames(const State&, List out, In cell) override ANSWER_OUT(CL "GetPinNames", out, cell)
    HRESULT CellGetPadstackNames(const State&, List out, In cell, const char*) override
        ANSWER_OUT(CL "GetPadstackNames", out, cell)
    HRESULT CellGetType(const State&, int& type, In cell, In p) override ANSWER_OUT(CL "GetType", type, cell, p)
    HRESULT CellGetPartNumbers(const State&, List out, In cell) override ANSWER_OUT(CL "GetPartNumbers", out, cell)
    HRESULT CellGetPartitionNames(const State&, List out, In cell) override
        ANSWER_OUT(CL "GetPartitionNames", out, cell)
    HRESULT CellGetCellsInPartition(const State&, List out, In p) override ANSWER_OUT(CL "GetCellsInPartition", out, p)
#undef CL

#define SY "KelmSymbol::"
    HRESULT SymbolGetSymbolsInPartition(const State&, List out, In p) override
        ANSWER_OUT(SY "GetSymbolsInPartition", out, p)
    HRESULT SymbolGetPinNames(const State&, List out, In symbol) override ANSWER_OUT(SY "GetPinNames", out, symbol)
    HRESULT SymbolGetPartitionNames(const State&, List out, In symbol) override
        ANSWER_OUT(SY "GetPartitionNames", out, symbol)
#undef SY
#undef ANSWER_OUT
#undef ANSWER

private:
    struct Script {
        std::optional<HRESULT> status;
        std::map<std::string, HRESULT> statusFor;
        std::optional<StringList> list;
        std::optional<std::string> text;
    };
    HRESULT Answer(const std::string& op, const std::vector<std::string>& keys) {
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
    template <typename Out>
    HRESULT Answer(const std::string& op, const std::vector<std::string>& keys, Out& out) {
        const HRESULT hr = Answer(op, keys);
        if (auto it = m_scripts.find(op); it != m_scripts.end()) Fill(it->second, out);
        return hr;
    }
    static void Fill(const Script& s, StringList& out) { if (s.list) out = *s.list; }
    static void Fill(const Script& s, std::string& out) { if (s.text) out = *s.text; }
    static void Fill(const Script&, int&) {}
    std::map<std::string, Script> m_scripts;
    std::map<std::string, int> m_counts;
};

}  // namespace kelm::testing

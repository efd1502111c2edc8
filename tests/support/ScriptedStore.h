// A scriptable library store for tests: every operation records its call
// (operation, arguments, the calling object's state) and answers what the
// test scripted, so that every status path of every method can be reached
// without files.
//
// Operations are named as the store names them: "KelmServer::Load",
// "KelmSchemePartition::ReservePartition", "KelmPart::Add", "KelmCell::GetPinNames",
// "KelmSymbol::GetPartitionNames", ...
//
// Answers: a status queued with ReturnsOnce is used first, then one set for
// the call's key with ReturnsFor, then the standing one set with Returns,
// else 0. The key of a call is its input string arguments joined by '|'; a
// scripted key also matches when it equals the first input string alone.
// Out-lists, out-strings and out-integers are filled the same way (For
// variants first, then the standing value); an operation with nothing
// scripted leaves its out-parameter as the caller passed it.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "store/items/StoreBackend.h"

namespace kelm::testing {

struct StoreCall {
    std::string op;
    std::vector<std::string> args;  // inputs formatted: strings as is, null as "null", lists as [a,b]
    store::ObjectState state;
    std::string Text() const;       // op(a, b, c)
};

// Formats a list as the call records show it: [a,b,c].
std::string ListText(const StringList& list);

class ScriptedStore : public store::StoreBackend {
public:
    ScriptedStore& Returns(const std::string& op, HRESULT status);
    ScriptedStore& ReturnsOnce(const std::string& op, HRESULT status);
    ScriptedStore& ReturnsFor(const std::string& op, const std::string& key, HRESULT status);
    ScriptedStore& Fills(const std::string& op, StringList list);
    ScriptedStore& FillsFor(const std::string& op, const std::string& key, StringList list);
    ScriptedStore& FillsString(const std::string& op, std::string value);
    ScriptedStore& FillsStringFor(const std::string& op, const std::string& key, std::string value);
    ScriptedStore& FillsInt(const std::string& op, int value);
    // KelmCell::DoesCellExist answers true for these keys ("cell|partition" or "cell").
    ScriptedStore& CellExists(const std::string& key);

    const std::vector<StoreCall>& Calls() const { return m_calls; }
    std::vector<std::string> Ops() const;        // operation names in call order
    // Text() of each call, or of each call whose operation starts with the prefix.
    std::vector<std::string> CallTexts(const std::string& prefix = "") const;
    int Count(const std::string& op) const;
    const StoreCall* Last(const std::string& op) const;  // null when never called
    void ClearCalls() { m_calls.clear(); }

    // StoreBackend
    using State = store::ObjectState;
    using In = const std::string&;
    HRESULT Init() override { return Record("KelmServer::Init", {}, {}, {}); }
    HRESULT Load(const char* file, int mode) override {
        return Record("KelmServer::Load", {}, {Str(file), Int(mode)}, {Str(file)});
    }
    HRESULT Save(const char* file, int f1, int f2) override {
        return Record("KelmServer::Save", {}, {Str(file), Int(f1), Int(f2)}, {});
    }
    void Close() override { Record("KelmServer::Close", {}, {}, {}); }

#define SP "KelmSchemePartition::"
    HRESULT GetSchemes(const State& s, StringList& out) override { return Ask(SP "GetSchemes", s, {}, {}, out); }
    HRESULT GetDefaultSearchSchemeName(const State& s, std::string& out) override {
        return Ask(SP "GetDefaultSearchSchemeName", s, {}, {}, out);
    }
    HRESULT GetDefaultSearchScheme(const State& s, StringList& out) override {
        return Ask(SP "GetDefaultSearchScheme", s, {}, {}, out);
    }
    HRESULT GetSchemePartitionList(const State& s, In scheme, StringList& out) override {
        return Ask(SP "GetSchemePartitionList", s, {scheme}, {scheme}, out);
    }
    HRESULT GetAllPartitions(const State& s, StringList& out, int flag) override {
        return Ask(SP "GetAllPartitions", s, {Int(flag)}, {}, out);
    }
    HRESULT GetNumObjectsInPartition(const State& s, In partition, int& count) override {
        return Ask(SP "GetNumObjectsInPartition", s, {partition, Int(count)}, {partition}, count);
    }
    HRESULT AddPartition(const State& s, In path, int flag) override {
        return Record(SP "AddPartition", s, {path, Int(flag)}, {path});
    }
    HRESULT DeletePartition(const State& s, In path) override { return Record(SP "DeletePartition", s, {path}, {path}); }
    HRESULT AddSearchScheme(const State& s, In scheme, const StringList& list, int protection, int flag) override {
        return Record(SP "AddSearchScheme", s, {scheme, ListText(list), Int(protection), Int(flag)}, {scheme});
    }
    HRESULT DeleteScheme(const State& s, In scheme) override { return Record(SP "DeleteScheme", s, {scheme}, {scheme}); }
    HRESULT GetDefaultSchemeProtection(const State& s, int& value) override {
        return Ask(SP "GetDefaultSchemeProtection", s, {}, {}, value);
    }
    HRESULT ReservePartition(const State& s, In partition, In user) override {
        return Record(SP "ReservePartition", s, {partition, user}, {partition, user});
    }
    HRESULT UnReservePartition(const State& s, In partition, In user) override {
        return Record(SP "UnReservePartition", s, {partition, user}, {partition, user});
    }
    HRESULT GetPartitionReservation(const State& s, In partition, std::string& holder) override {
        return Ask(SP "GetPartitionReservation", s, {partition}, {partition}, holder);
    }
#undef SP

#define PT "KelmPart::"
    HRESULT PartAdd(const State& s, In partition, const StringList& pins, In part, const char* fourth, int a, int b) override {
        return Record(PT "Add", s, {partition, ListText(pins), part, Str(fourth), Int(a), Int(b)}, {partition, part});
    }
    HRESULT PartDelete(const State& s, In part) override { return Record(PT "Delete", s, {part}, {part}); }
    HRESULT PartSetName(const State& s, In text, In part) override { return Record(PT "SetName", s, {text, part}, {text, part}); }
    HRESULT PartSetNameDefault(const State& s, int value, In part) override {
        return Record(PT "SetNameDefault", s, {Int(value), part}, {part});
    }
    HRESULT PartSetLabel(const State& s, In text, In part) override {
        return Record(PT "SetLabel", s, {text, part}, {text, part});
    }
    HRESULT PartSetLabelDefault(const State& s, int value, In part) override {
        return Record(PT "SetLabelDefault", s, {Int(value), part}, {part});
    }
    HRESULT PartSetDesc(const State& s, In text, In part) override { return Record(PT "SetDesc", s, {text, part}, {text, part}); }
    HRESULT PartSetType(const State& s, In text, In part) override { return Record(PT "SetType", s, {text, part}, {text, part}); }
    HRESULT PartSetTimestamp(const State& s, std::int32_t time, In part) override {
        return Record(PT "SetTimestamp", s, {Int(time), part}, {part});
    }
    HRESULT PartAddSymbol(const State& s, In symbol, const StringList& pins, In part) override {
        return Record(PT "AddSymbol", s, {symbol, ListText(pins), part}, {symbol, part});
    }
    HRESULT PartAddCell(const State& s, In cell, In part) override { return Record(PT "AddCell", s, {cell, part}, {cell, part}); }
    HRESULT PartGetPinNumbers(const State& s, StringList& out, In part) override {
        return Ask(PT "GetPinNumbers", s, {part}, {part}, out);
    }
    HRESULT PartGetPartsInPartition(const State& s, StringList& out, In partition) override {
        return Ask(PT "GetPartsInPartition", s, {partition}, {partition}, out);
    }
    HRESULT PartGetPartition(const State& s, std::string& out, In part) override {
        return Ask(PT "GetPartition", s, {out, part}, {part}, out);
    }
#undef PT

#define CL "KelmCell::"
    HRESULT CellAdd(const State& s, const StringList& pins, In cell, In partition, int type, std::int32_t time, int a, int b) override {
        return Record(CL "Add", s, {ListText(pins), cell, partition, Int(type), Int(time), Int(a), Int(b)}, {cell, partition});
    }
    HRESULT CellDelete(const State& s, In cell, In partition) override {
        return Record(CL "Delete", s, {cell, partition}, {cell, partition});
    }
    bool CellExists(const State& s, In cell, In partition) override;
    HRESULT CellReplacePins(const State& s, const StringList& pins, In cell) override {
        return Record(CL "ReplacePins", s, {ListText(pins), cell}, {cell});
    }
    HRESULT CellAddPadstack(const State& s, In padstack, In cell, const char* third) override {
        return Record(CL "AddPadstack", s, {padstack, cell, Str(third)}, {padstack, cell});
    }
    HRESULT CellSetTimestamp(const State& s, std::int32_t time, In cell, In partition) override {
        return Record(CL "SetTimestamp", s, {Int(time), cell, partition}, {cell, partition});
    }
    HRESULT CellGetPinNames(const State& s, StringList& out, In cell) override {
        return Ask(CL "GetPinNames", s, {cell}, {cell}, out);
    }
    HRESULT CellGetPadstackNames(const State& s, StringList& out, In cell, const char* third) override {
        return Ask(CL "GetPadstackNames", s, {cell, Str(third)}, {cell}, out);
    }
    HRESULT CellGetType(const State& s, int& type, In cell, In partition) override {
        return Ask(CL "GetType", s, {Int(type), cell, partition}, {cell, partition}, type);
    }
    HRESULT CellGetPartNumbers(const State& s, StringList& out, In cell) override {
        return Ask(CL "GetPartNumbers", s, {cell}, {cell}, out);
    }
    HRESULT CellGetPartitionNames(const State& s, StringList& out, In cell) override {
        return Ask(CL "GetPartitionNames", s, {cell}, {cell}, out);
    }
    HRESULT CellGetCellsInPartition(const State& s, StringList& out, In partition) override {
        return Ask(CL "GetCellsInPartition", s, {partition}, {partition}, out);
    }
#undef CL

#define SY "KelmSymbol::"
    HRESULT SymbolGetSymbolsInPartition(const State& s, StringList& out, In partition) override {
        return Ask(SY "GetSymbolsInPartition", s, {partition}, {partition}, out);
    }
    HRESULT SymbolGetPinNames(const State& s, StringList& out, In symbol) override {
        return Ask(SY "GetPinNames", s, {symbol}, {symbol}, out);
    }
    HRESULT SymbolGetPartitionNames(const State& s, StringList& out, In symbol) override {
        return Ask(SY "GetPartitionNames", s, {symbol}, {symbol}, out);
    }
#undef SY

private:
    struct Script {
        std::vector<HRESULT> once;
        std::map<std::string, HRESULT> statusFor;
        std::optional<HRESULT> status;
        std::map<std::string, StringList> listFor;
        std::optional<StringList> list;
        std::map<std::string, std::string> stringFor;
        std::optional<std::string> text;
        std::optional<int> integer;
    };

    // Records the call and answers its status. keys: the input strings.
    HRESULT Record(const std::string& op, const store::ObjectState& state, std::vector<std::string> args,
                   const std::vector<std::string>& keys);
    // Fills an out-parameter from the script: lists and strings by key, integers by operation.
    void Fill(const std::string& op, const std::vector<std::string>& keys, StringList& out);
    void Fill(const std::string& op, const std::vector<std::string>& keys, std::string& out);
    void Fill(const std::string& op, const std::vector<std::string>& keys, int& out);
    template <typename Out>
    HRESULT Ask(const std::string& op, const store::ObjectState& state, std::vector<std::string> args,
                const std::vector<std::string>& keys, Out& out) {
        const HRESULT hr = Record(op, state, std::move(args), keys);
        Fill(op, keys, out);
        return hr;
    }
    static std::string Str(const char* text) { return text ? std::string(text) : std::string("null"); }
    static std::string Int(long long value) { return std::to_string(value); }

    std::map<std::string, Script> m_scripts;
    std::vector<std::string> m_existingCells;
    std::vector<StoreCall> m_calls;
};

}  // namespace kelm::testing

// A scriptable library store for the statuses the file store never gives:
// every operation answers what the test scripted (else 0) and fills its
// out-parameter from the script (else leaves it alone). Operations are named
// as the store names them: "KelmServer::Load", "KelmPart::Add", ...
//
// A status set for a key (ReturnsFor) wins over the operation's standing one
// (Returns). The key is the call's input strings joined by '|', or its first
// input string alone.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "store/items/StoreBackend.h"

namespace kelm::testing {

class ScriptedStore : public store::StoreBackend {
public:
    ScriptedStore& Returns(const std::string& op, HRESULT status);
    ScriptedStore& ReturnsFor(const std::string& op, const std::string& key, HRESULT status);
    ScriptedStore& Fills(const std::string& op, StringList list);
    ScriptedStore& FillsString(const std::string& op, std::string value);
    int Count(const std::string& op) const;  // calls of the operation so far
    // Calls that passed other than the fixed values the store takes (null
    // texts, zero flags) where the component has nothing to say.
    int oddArguments = 0;

    using State = store::ObjectState;
    using In = const std::string&;
    HRESULT Init() override { return Answer("KelmServer::Init", {}); }
    HRESULT Load(const char* file, int) override { return Answer("KelmServer::Load", {file ? file : ""}); }
    HRESULT Save(const char* file, int a, int b) override {
        oddArguments += file != nullptr || a != 0 || b != 0;
        return Answer("KelmServer::Save", {});
    }
    void Close() override { Answer("KelmServer::Close", {}); }

#define SP "KelmSchemePartition::"
    HRESULT GetSchemes(const State&, StringList& out) override { return Answer(SP "GetSchemes", {}, out); }
    HRESULT GetDefaultSearchSchemeName(const State&, std::string& out) override {
        return Answer(SP "GetDefaultSearchSchemeName", {}, out);
    }
    HRESULT GetDefaultSearchScheme(const State&, StringList& out) override {
        return Answer(SP "GetDefaultSearchScheme", {}, out);
    }
    HRESULT GetSchemePartitionList(const State&, In scheme, StringList& out) override {
        return Answer(SP "GetSchemePartitionList", {scheme}, out);
    }
    HRESULT GetAllPartitions(const State&, StringList& out, int) override { return Answer(SP "GetAllPartitions", {}, out); }
    HRESULT GetNumObjectsInPartition(const State&, In partition, int& count) override {
        return Answer(SP "GetNumObjectsInPartition", {partition}, count);
    }
    HRESULT AddPartition(const State&, In path, int) override { return Answer(SP "AddPartition", {path}); }
    HRESULT DeletePartition(const State&, In path) override { return Answer(SP "DeletePartition", {path}); }
    HRESULT AddSearchScheme(const State&, In scheme, const StringList&, int, int) override {
        return Answer(SP "AddSearchScheme", {scheme});
    }
    HRESULT DeleteScheme(const State&, In scheme) override { return Answer(SP "DeleteScheme", {scheme}); }
    HRESULT GetDefaultSchemeProtection(const State&, int& value) override {
        return Answer(SP "GetDefaultSchemeProtection", {}, value);
    }
    HRESULT ReservePartition(const State&, In partition, In user) override {
        return Answer(SP "ReservePartition", {partition, user});
    }
    HRESULT UnReservePartition(const State&, In partition, In user) override {
        return Answer(SP "UnReservePartition", {partition, user});
    }
    HRESULT GetPartitionReservation(const State&, In partition, std::string& holder) override {
        return Answer(SP "GetPartitionReservation", {partition}, holder);
    }
#undef SP

#define PT "KelmPart::"
    HRESULT PartAdd(const State&, In partition, const StringList&, In part, const char* text, int a, int b) override {
        oddArguments += text != nullptr || a != 0 || b != 0;
        return Answer(PT "Add", {part, partition});
    }
    HRESULT PartDelete(const State&, In part) override { return Answer(PT "Delete", {part}); }
    HRESULT PartSetName(const State&, In, In part) override { return Answer(PT "SetName", {part}); }
    HRESULT PartSetNameDefault(const State&, int, In part) override { return Answer(PT "SetNameDefault", {part}); }
    HRESULT PartSetLabel(const State&, In, In part) override { return Answer(PT "SetLabel", {part}); }
    HRESULT PartSetLabelDefault(const State&, int, In part) override { return Answer(PT "SetLabelDefault", {part}); }
    HRESULT PartSetDesc(const State&, In, In part) override { return Answer(PT "SetDesc", {part}); }
    HRESULT PartSetType(const State&, In, In part) override { return Answer(PT "SetType", {part}); }
    HRESULT PartSetTimestamp(const State&, std::int32_t, In part) override { return Answer(PT "SetTimestamp", {part}); }
    HRESULT PartAddSymbol(const State&, In symbol, const StringList&, In part) override {
        return Answer(PT "AddSymbol", {symbol, part});
    }
    HRESULT PartAddCell(const State&, In cell, In part) override { return Answer(PT "AddCell", {cell, part}); }
    HRESULT PartGetPinNumbers(const State&, StringList& out, In part) override {
        return Answer(PT "GetPinNumbers", {part}, out);
    }
    HRESULT PartGetPartsInPartition(const State&, StringList& out, In partition) override {
        return Answer(PT "GetPartsInPartition", {partition}, out);
    }
    HRESULT PartGetPartition(const State&, std::string& out, In part) override {
        return Answer(PT "GetPartition", {part}, out);
    }
#undef PT

#define CL "KelmCell::"
    HRESULT CellAdd(const State&, const StringList&, In cell, In partition, int, std::int32_t, int a, int b) override {
        oddArguments += a != 0 || b != 0;
        return Answer(CL "Add", {cell, partition});
    }
    HRESULT CellDelete(const State&, In cell, In partition) override { return Answer(CL "Delete", {cell, partition}); }
    bool CellExists(const State&, In cell, In partition) override { return Answer(CL "DoesCellExist", {cell, partition}) != 0; }
    HRESULT CellReplacePins(const State&, const StringList&, In cell) override { return Answer(CL "ReplacePins", {cell}); }
    HRESULT CellAddPadstack(const State&, In padstack, In cell, const char* text) override {
        oddArguments += text != nullptr;
        return Answer(CL "AddPadstack", {padstack, cell});
    }
    HRESULT CellSetTimestamp(const State&, std::int32_t, In cell, In partition) override {
        return Answer(CL "SetTimestamp", {cell, partition});
    }
    HRESULT CellGetPinNames(const State&, StringList& out, In cell) override { return Answer(CL "GetPinNames", {cell}, out); }
    HRESULT CellGetPadstackNames(const State&, StringList& out, In cell, const char* text) override {
        oddArguments += text != nullptr;
        return Answer(CL "GetPadstackNames", {cell}, out);
    }
    HRESULT CellGetType(const State&, int& type, In cell, In partition) override {
        return Answer(CL "GetType", {cell, partition}, type);
    }
    HRESULT CellGetPartNumbers(const State&, StringList& out, In cell) override {
        return Answer(CL "GetPartNumbers", {cell}, out);
    }
    HRESULT CellGetPartitionNames(const State&, StringList& out, In cell) override {
        return Answer(CL "GetPartitionNames", {cell}, out);
    }
    HRESULT CellGetCellsInPartition(const State&, StringList& out, In partition) override {
        return Answer(CL "GetCellsInPartition", {partition}, out);
    }
#undef CL

#define SY "KelmSymbol::"
    HRESULT SymbolGetSymbolsInPartition(const State&, StringList& out, In partition) override {
        return Answer(SY "GetSymbolsInPartition", {partition}, out);
    }
    HRESULT SymbolGetPinNames(const State&, StringList& out, In symbol) override {
        return Answer(SY "GetPinNames", {symbol}, out);
    }
    HRESULT SymbolGetPartitionNames(const State&, StringList& out, In symbol) override {
        return Answer(SY "GetPartitionNames", {symbol}, out);
    }
#undef SY

private:
    struct Script {
        std::optional<HRESULT> status;
        std::map<std::string, HRESULT> statusFor;
        std::optional<StringList> list;
        std::optional<std::string> text;
    };

    HRESULT Answer(const std::string& op, const std::vector<std::string>& keys);
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

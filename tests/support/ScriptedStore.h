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

#include "store/StoreBackend.h"

namespace kelm::testing {

struct StoreCall {
    std::string op;
    std::vector<std::string> args;  // inputs formatted: strings as is, null as "null", lists as [a,b]
    store::ObjectState state;
    std::string Text() const;       // op(a, b, c)
};

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
    std::vector<std::string> CallTexts() const;  // Text() of each call
    int Count(const std::string& op) const;
    const StoreCall* Last(const std::string& op) const;  // null when never called
    void ClearCalls() { m_calls.clear(); }

    // StoreBackend
    HRESULT Init() override;
    HRESULT Load(const char* file, int mode) override;
    HRESULT Save(const char* file, int flag1, int flag2) override;
    void Close() override;

    HRESULT GetSchemes(const store::ObjectState&, StringList&) override;
    HRESULT GetDefaultSearchSchemeName(const store::ObjectState&, std::string&) override;
    HRESULT GetDefaultSearchScheme(const store::ObjectState&, StringList&) override;
    HRESULT GetSchemePartitionList(const store::ObjectState&, const std::string&, StringList&) override;
    HRESULT GetAllPartitions(const store::ObjectState&, StringList&, int) override;
    HRESULT GetNumObjectsInPartition(const store::ObjectState&, const std::string&, int&) override;
    HRESULT AddPartition(const store::ObjectState&, const std::string&, int) override;
    HRESULT DeletePartition(const store::ObjectState&, const std::string&) override;
    HRESULT AddSearchScheme(const store::ObjectState&, const std::string&, const StringList&, int, int) override;
    HRESULT DeleteScheme(const store::ObjectState&, const std::string&) override;
    HRESULT GetDefaultSchemeProtection(const store::ObjectState&, int&) override;
    HRESULT ReservePartition(const store::ObjectState&, const std::string&, const std::string&) override;
    HRESULT UnReservePartition(const store::ObjectState&, const std::string&, const std::string&) override;
    HRESULT GetPartitionReservation(const store::ObjectState&, const std::string&, std::string&) override;

    HRESULT PartAdd(const store::ObjectState&, const std::string&, const StringList&, const std::string&,
                    const char*, int, int) override;
    HRESULT PartDelete(const store::ObjectState&, const std::string&) override;
    HRESULT PartSetName(const store::ObjectState&, const std::string&, const std::string&) override;
    HRESULT PartSetNameDefault(const store::ObjectState&, int, const std::string&) override;
    HRESULT PartSetLabel(const store::ObjectState&, const std::string&, const std::string&) override;
    HRESULT PartSetLabelDefault(const store::ObjectState&, int, const std::string&) override;
    HRESULT PartSetDesc(const store::ObjectState&, const std::string&, const std::string&) override;
    HRESULT PartSetType(const store::ObjectState&, const std::string&, const std::string&) override;
    HRESULT PartSetTimestamp(const store::ObjectState&, std::int32_t, const std::string&) override;
    HRESULT PartAddSymbol(const store::ObjectState&, const std::string&, const StringList&,
                          const std::string&) override;
    HRESULT PartAddCell(const store::ObjectState&, const std::string&, const std::string&) override;
    HRESULT PartGetPinNumbers(const store::ObjectState&, StringList&, const std::string&) override;
    HRESULT PartGetPartsInPartition(const store::ObjectState&, StringList&, const std::string&) override;
    HRESULT PartGetPartition(const store::ObjectState&, std::string&, const std::string&) override;

    HRESULT CellAdd(const store::ObjectState&, const StringList&, const std::string&, const std::string&, int,
                    std::int32_t, int, int) override;
    HRESULT CellDelete(const store::ObjectState&, const std::string&, const std::string&) override;
    bool CellExists(const store::ObjectState&, const std::string&, const std::string&) override;
    HRESULT CellReplacePins(const store::ObjectState&, const StringList&, const std::string&) override;
    HRESULT CellAddPadstack(const store::ObjectState&, const std::string&, const std::string&,
                            const char*) override;
    HRESULT CellSetTimestamp(const store::ObjectState&, std::int32_t, const std::string&,
                             const std::string&) override;
    HRESULT CellGetPinNames(const store::ObjectState&, StringList&, const std::string&) override;
    HRESULT CellGetPadstackNames(const store::ObjectState&, StringList&, const std::string&, const char*) override;
    HRESULT CellGetType(const store::ObjectState&, int&, const std::string&, const std::string&) override;
    HRESULT CellGetPartNumbers(const store::ObjectState&, StringList&, const std::string&) override;
    HRESULT CellGetPartitionNames(const store::ObjectState&, StringList&, const std::string&) override;
    HRESULT CellGetCellsInPartition(const store::ObjectState&, StringList&, const std::string&) override;

    HRESULT SymbolGetSymbolsInPartition(const store::ObjectState&, StringList&, const std::string&) override;
    HRESULT SymbolGetPinNames(const store::ObjectState&, StringList&, const std::string&) override;
    HRESULT SymbolGetPartitionNames(const store::ObjectState&, StringList&, const std::string&) override;

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
    void FillList(const std::string& op, const std::vector<std::string>& keys, StringList& out);
    void FillString(const std::string& op, const std::vector<std::string>& keys, std::string& out);
    void FillInt(const std::string& op, int& out);

    std::map<std::string, Script> m_scripts;
    std::vector<std::string> m_existingCells;
    std::vector<StoreCall> m_calls;
};

// Formats a list as the call records show it: [a,b,c].
std::string ListText(const StringList& list);

}  // namespace kelm::testing

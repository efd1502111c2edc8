#include "ImportRecords.h"

#include <utility>

#include "AutomationText.h"

namespace kelmcli {
namespace {

constexpr LCID kTypeLibraryLocale = 0x409;

void FreeBstr(BSTR& text) {
    SysFreeString(text);
    text = nullptr;
}

void FreeArray(SAFEARRAY*& array) {
    if (array != nullptr) SafeArrayDestroy(array);
    array = nullptr;
}

HRESULT SetText(BSTR& field, const std::string& text) {
    field = NewBstr(text);
    return field == nullptr ? E_OUTOFMEMORY : S_OK;
}

HRESULT SetPins(SAFEARRAY*& field, const std::vector<std::string>& pins) {
    field = StringsToSafeArray(pins);
    return field == nullptr ? E_OUTOFMEMORY : S_OK;
}

// A vector of records of one type; each element is filled by fill(element, i).
template <typename Record, typename Fill>
HRESULT MakeRecordArray(IRecordInfo* type, std::size_t count, SAFEARRAY*& out, Fill fill) {
    out = SafeArrayCreateVectorEx(VT_RECORD, 0, static_cast<ULONG>(count), type);
    if (out == nullptr) return E_OUTOFMEMORY;
    void* data = nullptr;
    HRESULT hr = SafeArrayAccessData(out, &data);
    if (FAILED(hr)) return hr;
    Record* records = static_cast<Record*>(data);
    for (std::size_t i = 0; i < count && SUCCEEDED(hr); ++i) hr = fill(records[i], i);
    SafeArrayUnaccessData(out);
    return hr;
}

}  // namespace

RecordTypes::~RecordTypes() {
    if (m_cell != nullptr) m_cell->Release();
    if (m_symbol != nullptr) m_symbol->Release();
}

HRESULT RecordTypes::Load() {
    HRESULT hr = GetRecordInfoFromGuids(LIBID_KelmAPI, 1, 0, kTypeLibraryLocale, GUID_KelmStruct_Cell, &m_cell);
    if (SUCCEEDED(hr)) {
        hr = GetRecordInfoFromGuids(LIBID_KelmAPI, 1, 0, kTypeLibraryLocale, GUID_KelmStruct_LogicSymbol, &m_symbol);
    }
    return hr;
}

HRESULT PartRecord::Build(const PartRow& row, std::int32_t defaultTime, const RecordTypes& types) {
    Clear();
    KelmStruct_PartType& r = m_record;
    r.m_nTimeStamp = row.timestamp.value_or(defaultTime);
    HRESULT hr = S_OK;
    if (SUCCEEDED(hr)) hr = SetText(r.m_sPartitionName, row.partition);
    if (SUCCEEDED(hr)) hr = SetText(r.m_sItemSpec, row.number);
    if (SUCCEEDED(hr)) hr = SetText(r.m_sPartNumber, row.number);
    if (SUCCEEDED(hr)) hr = SetText(r.m_sPartName, row.name);
    if (SUCCEEDED(hr)) hr = SetText(r.m_sPartLabel, row.label);
    if (SUCCEEDED(hr)) hr = SetText(r.m_sPartType, row.type);
    if (SUCCEEDED(hr)) hr = SetText(r.m_sDescription, row.description);
    if (SUCCEEDED(hr)) hr = SetPins(r.m_psarrPins, row.pins);
    if (SUCCEEDED(hr)) {
        hr = MakeRecordArray<KelmStruct_Cell>(types.Cell(), row.cells.size(), r.m_psarrCells,
                                              [&](KelmStruct_Cell& cell, std::size_t i) {
                                                  const CellRef& ref = row.cells[i];
                                                  cell.m_nTimeStamp = r.m_nTimeStamp;
                                                  HRESULT h = SetText(cell.m_sPartitionName, std::string());
                                                  if (SUCCEEDED(h)) h = SetText(cell.m_sItemSpec, ref.name);
                                                  if (SUCCEEDED(h)) h = SetText(cell.m_sCellName, ref.name);
                                                  if (SUCCEEDED(h)) h = SetPins(cell.m_psarrPins, ref.pins);
                                                  return h;
                                              });
    }
    if (SUCCEEDED(hr)) {
        hr = MakeRecordArray<KelmStruct_LogicSymbol>(
            types.Symbol(), row.symbols.size(), r.m_psarrLogicSymbols,
            [&](KelmStruct_LogicSymbol& symbol, std::size_t i) {
                const SymbolRef& ref = row.symbols[i];
                const std::size_t colon = ref.itemSpec.rfind(':');
                symbol.m_nTimeStamp = r.m_nTimeStamp;
                HRESULT h = SetText(symbol.m_sPartitionName,
                                    colon == std::string::npos ? std::string() : ref.itemSpec.substr(0, colon));
                if (SUCCEEDED(h)) h = SetText(symbol.m_sItemSpec, ref.itemSpec);
                if (SUCCEEDED(h)) h = SetText(symbol.m_sSymbolName, ref.name);
                if (SUCCEEDED(h)) h = SetPins(symbol.m_psarrPins, ref.pins);
                return h;
            });
    }
    return hr;
}

void PartRecord::Clear() {
    KelmStruct_PartType& r = m_record;
    FreeBstr(r.m_sPartitionName);
    FreeBstr(r.m_sItemSpec);
    FreeBstr(r.m_sPartNumber);
    FreeBstr(r.m_sPartName);
    FreeBstr(r.m_sPartLabel);
    FreeBstr(r.m_sPartType);
    FreeBstr(r.m_sDescription);
    FreeArray(r.m_psarrPins);
    FreeArray(r.m_psarrLogicSymbols);  // record arrays clear their records
    FreeArray(r.m_psarrCells);
    r.m_nTimeStamp = 0;
}

HRESULT CellRecord::Build(const CellRow& row, const std::string& partition, std::int32_t defaultTime) {
    Clear();
    KelmStruct_Cell& r = m_record;
    r.m_nTimeStamp = row.timestamp.value_or(defaultTime);
    HRESULT hr = SetText(r.m_sPartitionName, partition);
    if (SUCCEEDED(hr)) hr = SetText(r.m_sItemSpec, row.name);
    if (SUCCEEDED(hr)) hr = SetText(r.m_sCellName, row.name);
    if (SUCCEEDED(hr)) hr = SetPins(r.m_psarrPins, row.pins);
    return hr;
}

void CellRecord::Clear() {
    FreeBstr(m_record.m_sPartitionName);
    FreeBstr(m_record.m_sItemSpec);
    FreeBstr(m_record.m_sCellName);
    FreeArray(m_record.m_psarrPins);
    m_record.m_nTimeStamp = 0;
}

}  // namespace kelmcli

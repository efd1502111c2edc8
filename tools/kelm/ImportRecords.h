// The records an import hands to the component, built as any automation
// client builds them: BSTR fields, SAFEARRAYs of BSTR for pins, and
// SAFEARRAYs of records (SafeArrayCreateVectorEx with the IRecordInfo from
// GetRecordInfoFromGuids) for a part's cells and symbols.
#pragma once

#include "ImportRows.h"
#include "kelmapi/kelmapi.h"

namespace kelmcli {

// The record types of the type library, looked up once for a whole import.
class RecordTypes {
public:
    RecordTypes() = default;
    RecordTypes(const RecordTypes&) = delete;
    RecordTypes& operator=(const RecordTypes&) = delete;
    ~RecordTypes();

    HRESULT Load();
    IRecordInfo* Cell() const { return m_cell; }
    IRecordInfo* Symbol() const { return m_symbol; }

private:
    IRecordInfo* m_cell = nullptr;
    IRecordInfo* m_symbol = nullptr;
};

// A part type record that owns its strings and arrays.
class PartRecord {
public:
    PartRecord() = default;
    PartRecord(const PartRecord&) = delete;
    PartRecord& operator=(const PartRecord&) = delete;
    ~PartRecord() { Clear(); }

    // Fills the record from a row; E_OUTOFMEMORY when an allocation fails.
    HRESULT Build(const PartRow& row, std::int32_t defaultTime, const RecordTypes& types);
    KelmStruct_PartType& Get() { return m_record; }
    void Clear();

private:
    KelmStruct_PartType m_record{};
};

class CellRecord {
public:
    CellRecord() = default;
    CellRecord(const CellRecord&) = delete;
    CellRecord& operator=(const CellRecord&) = delete;
    ~CellRecord() { Clear(); }

    HRESULT Build(const CellRow& row, const std::string& partition, std::int32_t defaultTime);
    KelmStruct_Cell& Get() { return m_record; }
    void Clear();

private:
    KelmStruct_Cell m_record{};
};

}  // namespace kelmcli

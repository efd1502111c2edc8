// Cells (footprints) of the library.
#pragma once

#include <cstdint>

#include "store/items/KelmBase.h"

namespace kelm::store {

class KelmCell : public KelmBase {
public:
    KelmCell(KelmServer& server, const char* partition, const char* cell);

    void SetWorkingPartition(const std::string& partition) { m_state.partition = partition; }
    void SetWorkingCell(const std::string& cell) { m_state.cell = cell; }

    HRESULT Add(const StringList& pins, const std::string& cell, const std::string& partition, int type,
                std::int32_t time, int reservedMode, int reservedFlags);
    HRESULT Delete(const std::string& cell, const std::string& partition);
    bool DoesCellExist(const std::string& cell, const std::string& partition);
    HRESULT ReplacePins(const StringList& pins, const std::string& cell);
    HRESULT AddPadstack(const std::string& padstack, const std::string& cell, const char* reservedText);
    HRESULT SetTimestamp(std::int32_t time, const std::string& cell, const std::string& partition);
    HRESULT GetPinNames(StringList& pins, const std::string& cell);
    HRESULT GetPadstackNames(StringList& padstacks, const std::string& cell, const char* reservedText);
    HRESULT GetType(int& type, const std::string& cell, const std::string& partition);
    HRESULT GetPartNumbers(StringList& parts, const std::string& cell);
    HRESULT GetPartitionNames(StringList& partitions, const std::string& cell);
    HRESULT GetCellsInPartition(StringList& cells, const std::string& partition);
    HRESULT GetRecord(const std::string& cell, const std::string& partition, CellRecord& record);  // tools only
};

}  // namespace kelm::store

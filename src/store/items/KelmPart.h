// Part types of the library.
#pragma once

#include <cstdint>

#include "store/items/KelmBase.h"

namespace kelm::store {

class KelmPart : public KelmBase {
public:
    KelmPart(KelmServer& server, const char* partition);

    HRESULT Add(const std::string& partition, const StringList& pins, const std::string& part,
                const char* reservedText, int reservedMode, int reservedFlags);
    HRESULT Delete(const std::string& part);
    HRESULT SetName(const std::string& text, const std::string& part);
    HRESULT SetNameDefault(int value, const std::string& part);
    HRESULT SetLabel(const std::string& text, const std::string& part);
    HRESULT SetLabelDefault(int value, const std::string& part);
    HRESULT SetDesc(const std::string& text, const std::string& part);
    HRESULT SetType(const std::string& text, const std::string& part);
    HRESULT SetTimestamp(std::int32_t time, const std::string& part);
    // SetName, SetNameDefault, SetLabel, SetLabelDefault, SetDesc,
    // SetTimestamp and SetType in this order, with the status of each.
    PartPropertyStatuses SetProperties(const PartProperties& properties, const std::string& part);
    HRESULT AddSymbol(const std::string& symbol, const StringList& pins, const std::string& part);
    HRESULT AddCell(const std::string& cell, const std::string& part);
    HRESULT GetPinNumbers(StringList& pins, const std::string& part);
    HRESULT GetPartsInPartition(StringList& parts, const std::string& partition);
    HRESULT GetPartition(std::string& partition, const std::string& part);
    HRESULT GetRecord(const std::string& part, PartRecord& record);  // tools only
};

}  // namespace kelm::store

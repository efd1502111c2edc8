// Builds the client records of the import methods for tests: automation
// strings, arrays of strings, arrays of integers and arrays of records, all
// owned by the builder and freed with it. Record arrays are laid out as an
// automation client passes them: the records one after another.
#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kelmapi/kelmapi.h"
#include "util/StringList.h"

namespace kelm::testing {

class ImportRecords {
public:
    ImportRecords() = default;
    ImportRecords(const ImportRecords&) = delete;
    ImportRecords& operator=(const ImportRecords&) = delete;
    ~ImportRecords();
    BSTR Str(const std::string& text);
    SAFEARRAY* Strings(const StringList& items);
    SAFEARRAY* Integers(int count);  // an array of 32-bit integers, not flagged as strings
    SAFEARRAY* Cells(const std::vector<KelmStruct_Cell>& records);
    SAFEARRAY* Symbols(const std::vector<KelmStruct_LogicSymbol>& records);
    // An array of records whose lock fails (its lock count is at the maximum).
    SAFEARRAY* Unlockable();
    // One record; a null pin list leaves m_psarrPins null.
    KelmStruct_Cell Cell(const std::string& name, std::optional<StringList> pins = std::nullopt,
                         LONG timeStamp = 0);
    KelmStruct_LogicSymbol Symbol(const std::string& name, const std::string& itemSpec,
                                  std::optional<StringList> pins = std::nullopt);
    // Texts are derived from the number: "<n> name", "<n> label", "<n> type", "<n> description".
    KelmStruct_PartType Part(const std::string& number, LONG timeStamp = 0);

private:
    template <typename T>
    SAFEARRAY* Records(const std::vector<T>& records);
    std::vector<BSTR> m_strings;
    std::vector<SAFEARRAY*> m_arrays;                  // destroyed with SafeArrayDestroy
    std::deque<std::shared_ptr<void>> m_recordData;    // storage behind hand-made descriptors
};

}  // namespace kelm::testing

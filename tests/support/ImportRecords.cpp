#include "support/ImportRecords.h"

#include "platform/CodePage.h"

namespace kelm::testing {

ImportRecords::~ImportRecords() {
    for (SAFEARRAY* array : m_arrays) SafeArrayDestroy(array);
    for (BSTR text : m_strings) SysFreeString(text);
}

BSTR ImportRecords::Str(const std::string& text) {
    BSTR value = platform::AnsiToBstr(text);
    m_strings.push_back(value);
    return value;
}

SAFEARRAY* ImportRecords::Strings(const StringList& items) {
    SAFEARRAY* array = m_arrays.emplace_back(SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(items.size())));
    for (std::size_t i = 0; i < items.size(); ++i) static_cast<BSTR*>(array->pvData)[i] = platform::AnsiToBstr(items[i]);
    return array;
}

SAFEARRAY* ImportRecords::Integers(int count) {
    SAFEARRAY* array = m_arrays.emplace_back(SafeArrayCreateVector(VT_I4, 0, static_cast<ULONG>(count)));
    for (int i = 0; i < count; ++i) static_cast<LONG*>(array->pvData)[i] = i + 1;
    return array;
}

template <typename T>
SAFEARRAY* ImportRecords::Records(const std::vector<T>& records) {
    auto storage = std::make_shared<std::vector<T>>(records);
    auto array = std::make_shared<SAFEARRAY>();  // a one-dimensional descriptor over storage the builder keeps
    array->cDims = 1;
    array->fFeatures = FADF_RECORD | FADF_STATIC;
    array->cbElements = sizeof(T);
    array->pvData = storage->data();
    array->rgsabound[0].cElements = static_cast<ULONG>(records.size());
    m_recordData.push_back(storage);
    m_recordData.push_back(array);
    return array.get();
}

SAFEARRAY* ImportRecords::Cells(const std::vector<KelmStruct_Cell>& records) { return Records(records); }
SAFEARRAY* ImportRecords::Symbols(const std::vector<KelmStruct_LogicSymbol>& records) { return Records(records); }

SAFEARRAY* ImportRecords::Unlockable() {
    SAFEARRAY* array = Records(std::vector<KelmStruct_Cell>{Cell("Locked")});
    array->cLocks = 0xFFFF;
    return array;
}

KelmStruct_Cell ImportRecords::Cell(const std::string& name, std::optional<StringList> pins, LONG timeStamp) {
    KelmStruct_Cell cell{};
    cell.m_nTimeStamp = timeStamp;
    cell.m_sCellName = Str(name);
    cell.m_psarrPins = pins ? Strings(*pins) : nullptr;
    return cell;
}

KelmStruct_LogicSymbol ImportRecords::Symbol(const std::string& name, const std::string& itemSpec,
                                             std::optional<StringList> pins) {
    KelmStruct_LogicSymbol symbol{};
    symbol.m_sSymbolName = Str(name);
    symbol.m_sItemSpec = Str(itemSpec);
    symbol.m_psarrPins = pins ? Strings(*pins) : nullptr;
    return symbol;
}

KelmStruct_PartType ImportRecords::Part(const std::string& number, LONG timeStamp) {
    KelmStruct_PartType part{};
    part.m_nTimeStamp = timeStamp;
    part.m_sPartNumber = Str(number);
    part.m_sPartName = Str(number + " name");
    part.m_sPartLabel = Str(number + " label");
    part.m_sPartType = Str(number + " type");
    part.m_sDescription = Str(number + " description");
    return part;
}

}  // namespace kelm::testing

#include "api/DispatchTable.h"

namespace kelm {
namespace {

constexpr VARTYPE kOutString = VT_BYREF | VT_BSTR;
constexpr VARTYPE kOutLong = VT_BYREF | VT_I4;
constexpr VARTYPE kOutFlag = VT_BYREF | VT_BOOL;
constexpr VARTYPE kOutStringArray = VT_BYREF | VT_ARRAY | VT_BSTR;

DispatchParam InString(const char* name) { return {name, VT_BSTR, ParamDirection::In, nullptr}; }
DispatchParam InFlag(const char* name) { return {name, VT_BOOL, ParamDirection::In, nullptr}; }
DispatchParam InKind(const char* name) { return {name, VT_I4, ParamDirection::In, &GUID_KelmEnum_ObjType}; }
DispatchParam InRecord(const char* name, const GUID& record) { return {name, VT_RECORD, ParamDirection::In, &record}; }
DispatchParam Out(const char* name, VARTYPE type) { return {name, type, ParamDirection::Out, nullptr}; }

std::vector<DispatchMethod> BuildTable() {
    return {
        {"Kelmstore_Open", 1, {InString("i_sQVMFile"), InString("i_sUserName"), InFlag("i_bReadOnly")}},
        {"Kelmstore_Close", 2, {}},
        {"RunCurator", 100, {InString("i_sQVMFile"), InString("i_sFlowType")}},
        {"RefreshQVMTree", 101, {InString("i_sPartitionName"), InKind("i_eLibObjType")}},
        {"ReloadQVM", 110, {}},
        {"SaveQVM", 111, {}},
        {"ReservePartition", 112, {InString("i_sPartitionName"), InKind("i_eLibObjType")}},
        {"UnReservePartition", 113, {InString("i_sPartitionName"), InKind("i_eLibObjType")}},
        {"GetSearchScheme_Default", 120, {Out("o_psDefaultSearchScheme", kOutString)}},
        {"GetSearchScheme_All", 121, {Out("o_psarrSearchSchemes", kOutStringArray)}},
        {"GetPartitionList_SearchScheme", 122,
         {InString("i_sSearchScheme"), InKind("i_eLibObjType"), InFlag("i_bOnlyNames"),
          InFlag("i_bRemoveFileExtensions"), Out("o_psarrPartitions", kOutStringArray)}},
        {"GetPartitionList_DefaultSearchScheme", 123,
         {InKind("i_eLibObjType"), InFlag("i_bOnlyNames"), InFlag("i_bRemoveFileExtensions"),
          Out("o_psarrPartitions", kOutStringArray)}},
        {"GetPartitionItemsCount", 124,
         {InString("i_sPartitionName"), InString("i_sItemFilter"), InKind("i_eLibObjType"),
          Out("o_pnItemCount", kOutLong)}},
        {"GetPartitionItems", 125,
         {InString("i_sPartitionName"), InString("i_sItemFilter"), InKind("i_eLibObjType"),
          Out("o_psarrItems", kOutStringArray)}},
        {"FindItemPartition", 130,
         {InString("i_sItemName"), InKind("i_eLibObjType"), Out("o_psPartitionName", kOutString)}},
        {"DoesItemExist", 131,
         {InString("i_sPartitionName"), {"i_sExcludedPartitionName", VT_BSTR, ParamDirection::None, nullptr},
          InString("i_sItemName"), InKind("i_eLibObjType"), Out("o_pbExists", kOutFlag)}},
        {"GetPinCount", 132,
         {InString("i_sPartitionName"), InString("i_sItemName"), InKind("i_eLibObjType"),
          Out("o_pnPinCount", kOutLong)}},
        {"GetPartsUsingThisCell", 133, {InString("i_sCellName"), Out("o_psarrParts", kOutStringArray)}},
        {"GetPartitionsStoringThisCell", 134, {InString("i_sCellName"), Out("o_psarrPartitions", kOutStringArray)}},
        {"AddPartition", 140,
         {InString("i_sPartitionName"), InKind("i_eLibObjType"), InFlag("i_bAddToDefaultSearchScheme")}},
        {"DeletePartition", 141, {InString("i_sPartitionName"), InKind("i_eLibObjType")}},
        {"AddItemToQVM_Part", 142,
         {InString("i_sPartitionName"), InRecord("i_pPartType", GUID_KelmStruct_PartType),
          InFlag("i_bOverwriteIfExists")}},
        {"AddItemToQVM_Cell", 143,
         {InString("i_sPartitionName"), InRecord("i_pCell", GUID_KelmStruct_Cell), InFlag("i_bOverwriteIfExists")}},
        {"DeleteItemFromQVM", 144,
         {InString("i_sPartitionName"), InString("i_sItemName"), InKind("i_eLibObjType"),
          Out("o_pbNoItemToDelete", kOutFlag)}},
        {"CopyItemInQVM", 145,
         {InString("i_sSrcPartitionName"), InString("i_sSrcItemName"), InString("i_sDestPartitionName"),
          InString("i_sDestItemName"), InKind("i_eLibObjType"), InFlag("i_bOverwrite"), InFlag("i_bMove")}},
        {"CreateDefaultPadstack", 150, {InString("i_sDefaultPadstackName"), InString("i_sPadstackDBFile")}},
        {"GetPartitionReservation", 151,
         {InString("i_sPartitionName"), InKind("i_eLibObjType"), Out("i_sClientname", kOutString)}},
    };
}

char16_t FoldAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c; }

}  // namespace

const std::vector<DispatchMethod>& KelmDispatchTable() {
    static const std::vector<DispatchMethod> table = BuildTable();
    return table;
}

const DispatchMethod* FindDispatchMethod(DISPID id) {
    for (const DispatchMethod& method : KelmDispatchTable()) {
        if (method.id == id) return &method;
    }
    return nullptr;
}

bool SameNameIgnoringCase(std::u16string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(static_cast<char16_t>(static_cast<unsigned char>(b[i])))) return false;
    }
    return true;
}

const DispatchMethod* FindDispatchMethod(std::u16string_view name) {
    for (const DispatchMethod& method : KelmDispatchTable()) {
        if (SameNameIgnoringCase(name, method.name)) return &method;
    }
    return nullptr;
}

}  // namespace kelm

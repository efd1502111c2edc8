// The type library compiled from KelmAPI.idl, read back through ITypeLib and
// ITypeInfo, against the contract of include/kelmapi/kelmapi.h: GUIDs, names,
// dispatch identifiers, vtable order, parameter types and directions, help
// strings, records, the enumeration and the constants module.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kelmapi/kelmapi.h"
#include "util/AutoTypes.h"

namespace {

using kelm::ComPtr;

std::wstring Wide(const char* text) {
    const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, out.data(), n);
    out.resize(static_cast<std::size_t>(n - 1));
    return out;
}

// The type library file as a Windows path (the build tree lies on drive Z:).
std::wstring TlbPath() {
    std::wstring path = Wide(KELM_TLB_PATH);
    if (!path.empty() && path[0] == L'/') path = L"Z:" + path;
    for (auto& c : path) if (c == L'/') c = L'\\';
    return path;
}

std::wstring Str(BSTR text) {
    std::wstring out = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    SysFreeString(text);
    return out;
}

class TypeLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(S_OK, LoadTypeLibEx(TlbPath().c_str(), REGKIND_NONE, lib.Out()));
    }
    std::wstring Name(ITypeInfo* info, MEMBERID id = MEMBERID_NIL) {
        BSTR name = nullptr;
        EXPECT_EQ(S_OK, info->GetDocumentation(id, &name, nullptr, nullptr, nullptr));
        return Str(name);
    }
    std::wstring Help(ITypeInfo* info, MEMBERID id = MEMBERID_NIL) {
        BSTR help = nullptr;
        EXPECT_EQ(S_OK, info->GetDocumentation(id, nullptr, &help, nullptr, nullptr));
        return Str(help);
    }
    ComPtr<ITypeInfo> Info(const GUID& guid) {
        ComPtr<ITypeInfo> info;
        EXPECT_EQ(S_OK, lib->GetTypeInfoOfGuid(guid, info.Out()));
        return info;
    }
    ComPtr<ITypeLib> lib;
};

TEST_F(TypeLibrary, LibraryAttributes) {
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(S_OK, lib->GetLibAttr(&attr));
    EXPECT_TRUE(IsEqualGUID(LIBID_KelmAPI, attr->guid));
    EXPECT_EQ(1, attr->wMajorVerNum);
    EXPECT_EQ(0, attr->wMinorVerNum);
    EXPECT_EQ(0x409u, attr->lcid);
    lib->ReleaseTLibAttr(attr);
    BSTR name = nullptr, help = nullptr;
    ASSERT_EQ(S_OK, lib->GetDocumentation(-1, &name, &help, nullptr, nullptr));
    EXPECT_EQ(L"KelmAPI", Str(name));
    EXPECT_EQ(L"KelmAPI 1.0 Type Library", Str(help));
}

TEST_F(TypeLibrary, ClassHasIKelmAsDefaultInterface) {
    auto coclass = Info(CLSID_Kelm);
    ASSERT_TRUE(coclass);
    EXPECT_EQ(L"Kelm", Name(coclass.get()));
    EXPECT_EQ(L"Kelm Class", Help(coclass.get()));
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, coclass->GetTypeAttr(&attr));
    EXPECT_EQ(TKIND_COCLASS, attr->typekind);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FCANCREATE);
    EXPECT_EQ(1, attr->cImplTypes);
    coclass->ReleaseTypeAttr(attr);
    INT flags = 0;
    ASSERT_EQ(S_OK, coclass->GetImplTypeFlags(0, &flags));
    EXPECT_TRUE(flags & IMPLTYPEFLAG_FDEFAULT);
    HREFTYPE ref = 0;
    ASSERT_EQ(S_OK, coclass->GetRefTypeOfImplType(0, &ref));
    ComPtr<ITypeInfo> iface;
    ASSERT_EQ(S_OK, coclass->GetRefTypeInfo(ref, iface.Out()));
    EXPECT_EQ(L"IKelm", Name(iface.get()));
}

// One method of IKelm as the contract gives it.
struct Param {
    const wchar_t* name;
    VARTYPE type;          // VT_USERDEFINED for the enumeration and the records
    bool byRef;            // a pointer
    USHORT flags;          // PARAMFLAG_*
};
struct Method {
    DISPID id;
    const wchar_t* name;
    std::vector<Param> params;
};

constexpr USHORT kIn = PARAMFLAG_FIN;
constexpr USHORT kOut = PARAMFLAG_FOUT;

const Param S(const wchar_t* n) { return {n, VT_BSTR, false, kIn}; }
const Param B(const wchar_t* n) { return {n, VT_BOOL, false, kIn}; }
const Param E(const wchar_t* n) { return {n, VT_USERDEFINED, false, kIn}; }
const Param OutS(const wchar_t* n) { return {n, VT_BSTR, true, kOut}; }
const Param OutA(const wchar_t* n) { return {n, VT_SAFEARRAY, true, kOut}; }
const Param OutL(const wchar_t* n) { return {n, VT_I4, true, kOut}; }
const Param OutB(const wchar_t* n) { return {n, VT_BOOL, true, kOut}; }
const Param Rec(const wchar_t* n) { return {n, VT_USERDEFINED, true, kIn}; }

const std::vector<Method>& Contract() {
    static const std::vector<Method> methods = {
        {1, L"Kelmstore_Open", {S(L"i_sQVMFile"), S(L"i_sUserName"), B(L"i_bReadOnly")}},
        {2, L"Kelmstore_Close", {}},
        {100, L"RunCurator", {S(L"i_sQVMFile"), S(L"i_sFlowType")}},
        {101, L"RefreshQVMTree", {S(L"i_sPartitionName"), E(L"i_eLibObjType")}},
        {110, L"ReloadQVM", {}},
        {111, L"SaveQVM", {}},
        {112, L"ReservePartition", {S(L"i_sPartitionName"), E(L"i_eLibObjType")}},
        {113, L"UnReservePartition", {S(L"i_sPartitionName"), E(L"i_eLibObjType")}},
        {120, L"GetSearchScheme_Default", {OutS(L"o_psDefaultSearchScheme")}},
        {121, L"GetSearchScheme_All", {OutA(L"o_psarrSearchSchemes")}},
        {122, L"GetPartitionList_SearchScheme",
         {S(L"i_sSearchScheme"), E(L"i_eLibObjType"), B(L"i_bOnlyNames"), B(L"i_bRemoveFileExtensions"),
          OutA(L"o_psarrPartitions")}},
        {123, L"GetPartitionList_DefaultSearchScheme",
         {E(L"i_eLibObjType"), B(L"i_bOnlyNames"), B(L"i_bRemoveFileExtensions"), OutA(L"o_psarrPartitions")}},
        {124, L"GetPartitionItemsCount",
         {S(L"i_sPartitionName"), S(L"i_sItemFilter"), E(L"i_eLibObjType"), OutL(L"o_pnItemCount")}},
        {125, L"GetPartitionItems",
         {S(L"i_sPartitionName"), S(L"i_sItemFilter"), E(L"i_eLibObjType"), OutA(L"o_psarrItems")}},
        {130, L"FindItemPartition", {S(L"i_sItemName"), E(L"i_eLibObjType"), OutS(L"o_psPartitionName")}},
        {131, L"DoesItemExist",
         {S(L"i_sPartitionName"), {L"i_sExcludedPartitionName", VT_BSTR, false, PARAMFLAG_NONE}, S(L"i_sItemName"),
          E(L"i_eLibObjType"), OutB(L"o_pbExists")}},
        {132, L"GetPinCount",
         {S(L"i_sPartitionName"), S(L"i_sItemName"), E(L"i_eLibObjType"), OutL(L"o_pnPinCount")}},
        {133, L"GetPartsUsingThisCell", {S(L"i_sCellName"), OutA(L"o_psarrParts")}},
        {134, L"GetPartitionsStoringThisCell", {S(L"i_sCellName"), OutA(L"o_psarrPartitions")}},
        {140, L"AddPartition", {S(L"i_sPartitionName"), E(L"i_eLibObjType"), B(L"i_bAddToDefaultSearchScheme")}},
        {141, L"DeletePartition", {S(L"i_sPartitionName"), E(L"i_eLibObjType")}},
        {142, L"AddItemToQVM_Part", {S(L"i_sPartitionName"), Rec(L"i_pPartType"), B(L"i_bOverwriteIfExists")}},
        {143, L"AddItemToQVM_Cell", {S(L"i_sPartitionName"), Rec(L"i_pCell"), B(L"i_bOverwriteIfExists")}},
        {144, L"DeleteItemFromQVM",
         {S(L"i_sPartitionName"), S(L"i_sItemName"), E(L"i_eLibObjType"), OutB(L"o_pbNoItemToDelete")}},
        {145, L"CopyItemInQVM",
         {S(L"i_sSrcPartitionName"), S(L"i_sSrcItemName"), S(L"i_sDestPartitionName"), S(L"i_sDestItemName"),
          E(L"i_eLibObjType"), B(L"i_bOverwrite"), B(L"i_bMove")}},
        {150, L"CreateDefaultPadstack", {S(L"i_sDefaultPadstackName"), S(L"i_sPadstackDBFile")}},
        {151, L"GetPartitionReservation", {S(L"i_sPartitionName"), E(L"i_eLibObjType"), OutS(L"i_sClientname")}},
    };
    return methods;
}

// The vtable side of the dual interface.
TEST_F(TypeLibrary, IKelmMethodsInOrderWithIdentifiersTypesAndDirections) {
    auto dispatch = Info(IID_IKelm);
    ASSERT_TRUE(dispatch);
    EXPECT_EQ(L"IKelm Interface", Help(dispatch.get()));
    HREFTYPE ref = 0;
    ASSERT_EQ(S_OK, dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref));
    ComPtr<ITypeInfo> iface;
    ASSERT_EQ(S_OK, dispatch->GetRefTypeInfo(ref, iface.Out()));
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, iface->GetTypeAttr(&attr));
    EXPECT_EQ(TKIND_INTERFACE, attr->typekind);
    EXPECT_EQ(TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FNONEXTENSIBLE,
              attr->wTypeFlags & (TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FNONEXTENSIBLE));
    const auto& contract = Contract();
    ASSERT_EQ(contract.size(), static_cast<std::size_t>(attr->cFuncs));
    ASSERT_EQ(27u, contract.size());
    iface->ReleaseTypeAttr(attr);

    for (UINT i = 0; i < contract.size(); ++i) {
        const Method& m = contract[i];
        SCOPED_TRACE(testing::Message() << "method " << i + 1);
        FUNCDESC* f = nullptr;
        ASSERT_EQ(S_OK, iface->GetFuncDesc(i, &f));
        EXPECT_EQ(m.id, f->memid);
        EXPECT_EQ(static_cast<SHORT>((7 + i) * sizeof(void*)), f->oVft);  // after IUnknown and IDispatch
        EXPECT_EQ(VT_HRESULT, f->elemdescFunc.tdesc.vt);
        ASSERT_EQ(m.params.size(), static_cast<std::size_t>(f->cParams));
        std::vector<BSTR> names(m.params.size() + 1, nullptr);
        UINT got = 0;
        ASSERT_EQ(S_OK, iface->GetNames(f->memid, names.data(), static_cast<UINT>(names.size()), &got));
        ASSERT_EQ(names.size(), got);
        EXPECT_EQ(m.name, Str(names[0]));
        EXPECT_EQ(std::wstring(L"method ") + m.name, Help(iface.get(), f->memid));
        for (std::size_t p = 0; p < m.params.size(); ++p) {
            const Param& want = m.params[p];
            const ELEMDESC& e = f->lprgelemdescParam[p];
            EXPECT_EQ(want.name, Str(names[p + 1]));
            const TYPEDESC* t = &e.tdesc;
            EXPECT_EQ(want.byRef, t->vt == VT_PTR) << "parameter " << p;
            if (t->vt == VT_PTR) t = t->lptdesc;
            EXPECT_EQ(want.type, t->vt) << "parameter " << p;
            EXPECT_EQ(want.flags, e.paramdesc.wParamFlags & (PARAMFLAG_FIN | PARAMFLAG_FOUT)) << "parameter " << p;
        }
        iface->ReleaseFuncDesc(f);
    }
}

TEST_F(TypeLibrary, EnumerationValues) {
    auto info = Info(GUID_KelmEnum_ObjType);
    ASSERT_TRUE(info);
    EXPECT_EQ(L"KelmEnum_ObjType", Name(info.get()));
    EXPECT_EQ(L"Kelmstore object types", Help(info.get()));
    const std::pair<const wchar_t*, LONG> values[] = {{L"KelmEnum_ObjType_None", 0},
                                                      {L"KelmEnum_ObjType_LogicSymbol", 1},
                                                      {L"KelmEnum_ObjType_Cell", 2},
                                                      {L"KelmEnum_ObjType_PartType", 3}};
    for (UINT i = 0; i < 4; ++i) {
        VARDESC* v = nullptr;
        ASSERT_EQ(S_OK, info->GetVarDesc(i, &v));
        EXPECT_EQ(values[i].first, Name(info.get(), v->memid));
        EXPECT_EQ(values[i].second, V_I4(v->lpvarValue));
        info->ReleaseVarDesc(v);
    }
}

// Field names and types of a record, in order: VT_SAFEARRAY entries carry the
// element type name ("BSTR" or the record's).
std::vector<std::wstring> Fields(ITypeInfo* info) {
    std::vector<std::wstring> out;
    TYPEATTR* attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr))) return out;
    const WORD count = attr->cVars;
    info->ReleaseTypeAttr(attr);
    for (UINT i = 0; i < count; ++i) {
        VARDESC* v = nullptr;
        if (FAILED(info->GetVarDesc(i, &v))) break;
        BSTR name = nullptr;
        info->GetDocumentation(v->memid, &name, nullptr, nullptr, nullptr);
        std::wstring text = Str(name) + L":";
        const TYPEDESC& t = v->elemdescVar.tdesc;
        if (t.vt == VT_I4) text += L"long";
        else if (t.vt == VT_BSTR) text += L"BSTR";
        else if (t.vt == VT_SAFEARRAY && t.lptdesc->vt == VT_BSTR) text += L"SAFEARRAY(BSTR)";
        else if (t.vt == VT_SAFEARRAY && t.lptdesc->vt == VT_USERDEFINED) {
            ComPtr<ITypeInfo> element;
            info->GetRefTypeInfo(t.lptdesc->hreftype, element.Out());
            BSTR elementName = nullptr;
            if (element) element->GetDocumentation(MEMBERID_NIL, &elementName, nullptr, nullptr, nullptr);
            text += L"SAFEARRAY(" + Str(elementName) + L")";
        } else {
            text += L"?";
        }
        out.push_back(text);
        info->ReleaseVarDesc(v);
    }
    return out;
}

TEST_F(TypeLibrary, RecordsFieldsInOrder) {
    const std::vector<std::wstring> symbolOrCell = {L"m_nTimeStamp:long", L"m_sPartitionName:BSTR", L"m_sItemSpec:BSTR"};
    auto symbol = Info(GUID_KelmStruct_LogicSymbol);
    ASSERT_TRUE(symbol);
    EXPECT_EQ(L"Logic symbol structure", Help(symbol.get()));
    auto expected = symbolOrCell;
    expected.insert(expected.end(), {L"m_sSymbolName:BSTR", L"m_psarrPins:SAFEARRAY(BSTR)"});
    EXPECT_EQ(expected, Fields(symbol.get()));

    auto cell = Info(GUID_KelmStruct_Cell);
    ASSERT_TRUE(cell);
    EXPECT_EQ(L"Cell structure", Help(cell.get()));
    expected = symbolOrCell;
    expected.insert(expected.end(), {L"m_sCellName:BSTR", L"m_psarrPins:SAFEARRAY(BSTR)"});
    EXPECT_EQ(expected, Fields(cell.get()));

    auto part = Info(GUID_KelmStruct_PartType);
    ASSERT_TRUE(part);
    EXPECT_EQ(L"Part type structure", Help(part.get()));
    expected = symbolOrCell;
    expected.insert(expected.end(),
                    {L"m_sPartNumber:BSTR", L"m_sPartName:BSTR", L"m_sPartLabel:BSTR", L"m_sPartType:BSTR",
                     L"m_sDescription:BSTR", L"m_psarrPins:SAFEARRAY(BSTR)",
                     L"m_psarrLogicSymbols:SAFEARRAY(KelmStruct_LogicSymbol)",
                     L"m_psarrCells:SAFEARRAY(KelmStruct_Cell)"});
    EXPECT_EQ(expected, Fields(part.get()));

    // The record sizes the type library gives match the C++ contract.
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, part->GetTypeAttr(&attr));
    EXPECT_EQ(sizeof(KelmStruct_PartType), attr->cbSizeInstance);
    part->ReleaseTypeAttr(attr);
    ASSERT_EQ(S_OK, cell->GetTypeAttr(&attr));
    EXPECT_EQ(sizeof(KelmStruct_Cell), attr->cbSizeInstance);
    cell->ReleaseTypeAttr(attr);
}

TEST_F(TypeLibrary, ConstantsModule) {
    auto info = Info(GUID_Kelm_Constants);
    ASSERT_TRUE(info);
    EXPECT_EQ(L"Kelm_Constants", Name(info.get()));
    EXPECT_EQ(L"Kelm Constants", Help(info.get()));
    const std::pair<const wchar_t*, const char*> constants[] = {
        {L"DEF_KELM_FOLDER_LOGICSYMBOL", DEF_KELM_FOLDER_LOGICSYMBOL},
        {L"DEF_KELM_FOLDER_LOGICSYMBOL_SYM", DEF_KELM_FOLDER_LOGICSYMBOL_SYM},
        {L"DEF_KELM_FOLDER_CELL", DEF_KELM_FOLDER_CELL},
        {L"DEF_KELM_FOLDER_PARTTYPE", DEF_KELM_FOLDER_PARTTYPE},
        {L"DEF_KELM_EXT_LOGICSYMBOL", DEF_KELM_EXT_LOGICSYMBOL},
        {L"DEF_KELM_EXT_CELL", DEF_KELM_EXT_CELL},
        {L"DEF_KELM_EXT_PARTTYPE", DEF_KELM_EXT_PARTTYPE}};
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
    EXPECT_EQ(TKIND_MODULE, attr->typekind);
    const UINT count = attr->cVars;
    info->ReleaseTypeAttr(attr);
    // widl (as of Debian 12) leaves the module's constants out of the binary
    // type library; when they are there they must be these.
    if (count != 0) {
        ASSERT_EQ(7u, count);
    }
    for (UINT i = 0; i < count; ++i) {
        VARDESC* v = nullptr;
        ASSERT_EQ(S_OK, info->GetVarDesc(i, &v));
        EXPECT_EQ(VAR_CONST, v->varkind);
        EXPECT_EQ(constants[i].first, Name(info.get(), v->memid));
        VARIANT text;
        VariantInit(&text);
        ASSERT_EQ(S_OK, VariantChangeType(&text, v->lpvarValue, 0, VT_BSTR));
        EXPECT_EQ(Wide(constants[i].second), std::wstring(V_BSTR(&text)));
        VariantClear(&text);
        info->ReleaseVarDesc(v);
    }
}

}  // namespace

// The type library compiled from KelmAPI.idl, and the registered one, read
// back through ITypeLib and ITypeInfo, against the contract of
// include/kelmapi/kelmapi.h and its method list (as the method table
// expands it): GUIDs, names, dispatch identifiers, vtable order, parameter
// types and directions, help strings, records, the enumeration and the
// constants module.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "api/DispatchTable.h"
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

// A parameter's type in the terms of the method table
// (api/DispatchTable.h): the variant type and the enumeration or record.
std::pair<VARTYPE, GUID> TableType(ITypeInfo* info, const TYPEDESC& t) {
    if (t.vt == VT_PTR) {
        const auto pointee = TableType(info, *t.lptdesc);
        if (pointee.first == VT_RECORD) return pointee;  // records are passed by pointer
        return {static_cast<VARTYPE>(VT_BYREF | pointee.first), GUID_NULL};
    }
    if (t.vt == VT_SAFEARRAY) return {static_cast<VARTYPE>(VT_ARRAY | TableType(info, *t.lptdesc).first), GUID_NULL};
    if (t.vt != VT_USERDEFINED) return {t.vt, GUID_NULL};
    ComPtr<ITypeInfo> type;
    TYPEATTR* attr = nullptr;
    if (FAILED(info->GetRefTypeInfo(t.hreftype, type.Out())) || FAILED(type->GetTypeAttr(&attr))) return {VT_EMPTY, GUID_NULL};
    const std::pair<VARTYPE, GUID> result{
        attr->typekind == TKIND_ENUM ? VT_I4 : attr->typekind == TKIND_RECORD ? VT_RECORD : VT_EMPTY, attr->guid};
    type->ReleaseTypeAttr(attr);
    return result;
}

USHORT Direction(kelm::ParamDirection direction) {
    return direction == kelm::ParamDirection::In ? PARAMFLAG_FIN
           : direction == kelm::ParamDirection::Out ? PARAMFLAG_FOUT : PARAMFLAG_NONE;
}

// The vtable side of the dual interface in a type library equals the
// method list that IKelm and late binding are expanded from: order,
// dispatch identifiers, names, parameter types and directions.
void ExpectMethodTable(ITypeLib* library) {
    ComPtr<ITypeInfo> dispatch;
    ASSERT_EQ(S_OK, library->GetTypeInfoOfGuid(IID_IKelm, dispatch.Out()));
    BSTR help = nullptr;
    ASSERT_EQ(S_OK, dispatch->GetDocumentation(MEMBERID_NIL, nullptr, &help, nullptr, nullptr));
    EXPECT_EQ(L"IKelm Interface", Str(help));
    HREFTYPE ref = 0;
    ASSERT_EQ(S_OK, dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref));
    ComPtr<ITypeInfo> iface;
    ASSERT_EQ(S_OK, dispatch->GetRefTypeInfo(ref, iface.Out()));
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, iface->GetTypeAttr(&attr));
    EXPECT_EQ(TKIND_INTERFACE, attr->typekind);
    EXPECT_EQ(TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FNONEXTENSIBLE,
              attr->wTypeFlags & (TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FNONEXTENSIBLE));
    const auto table = kelm::KelmDispatchTable();
    ASSERT_EQ(27u, table.size());
    ASSERT_EQ(table.size(), static_cast<std::size_t>(attr->cFuncs));
    iface->ReleaseTypeAttr(attr);

    for (UINT i = 0; i < table.size(); ++i) {
        const kelm::DispatchMethod& m = table[i];
        SCOPED_TRACE(m.name);
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
        EXPECT_EQ(Wide(m.name), Str(names[0]));
        ASSERT_EQ(S_OK, iface->GetDocumentation(f->memid, nullptr, &help, nullptr, nullptr));
        EXPECT_EQ(L"method " + Wide(m.name), Str(help));
        for (std::size_t p = 0; p < m.params.size(); ++p) {
            const kelm::DispatchParam& want = m.params[p];
            const ELEMDESC& e = f->lprgelemdescParam[p];
            SCOPED_TRACE(want.name);
            EXPECT_EQ(Wide(want.name), Str(names[p + 1]));
            const auto [type, userType] = TableType(iface.get(), e.tdesc);
            EXPECT_EQ(want.type, type);
            EXPECT_TRUE(IsEqualGUID(want.userType ? *want.userType : GUID_NULL, userType));
            EXPECT_EQ(Direction(want.direction), e.paramdesc.wParamFlags & (PARAMFLAG_FIN | PARAMFLAG_FOUT));
        }
        iface->ReleaseFuncDesc(f);
    }
}

TEST_F(TypeLibrary, IKelmMatchesTheMethodList) { ExpectMethodTable(lib.get()); }

TEST(RegisteredTypeLibrary, IKelmMatchesTheMethodList) {
    ComPtr<ITypeLib> registered;
    ASSERT_EQ(S_OK, LoadRegTypeLib(LIBID_KelmAPI, 1, 0, 0x409, registered.Out()));
    ExpectMethodTable(registered.get());
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

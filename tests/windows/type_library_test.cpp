// The registered type library read back through ITypeInfo against kelmapi.h: the records field by
// field at their C++ offsets, the enumeration's values and the class's default interface.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "kelmapi/kelmapi.h"
#include "util/AutoTypes.h"

namespace {

using kelm::ComPtr;

std::wstring Wide(const char* text) { return std::wstring(text, text + strlen(text)); }

std::wstring Str(BSTR text) {
    std::wstring out = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    SysFreeString(text);
    return out;
}

ComPtr<ITypeInfo> Info(ITypeLib* lib, const GUID& guid) {
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(S_OK, lib->GetTypeInfoOfGuid(guid, info.Out()));
    return info;
}

std::wstring Name(ITypeInfo* info, MEMBERID id = MEMBERID_NIL) {
    BSTR name = nullptr;
    EXPECT_EQ(S_OK, info->GetDocumentation(id, &name, nullptr, nullptr, nullptr));
    return Str(name);
}

// A client that fills a record through the type library writes where the C++
// structure reads: every field by name at its offset, and the same size; the
// enumeration's values and the class's default interface are the header's.
TEST(TypeLibrary, RecordsEnumerationAndClassAreTheHeaders) {
    ComPtr<ITypeLib> lib;
    ASSERT_EQ(S_OK, LoadRegTypeLib(LIBID_KelmAPI, 1, 0, 0x409, lib.Out()));
    using Fields = std::vector<std::pair<std::wstring, std::size_t>>;
#define KELM_FIELD(type, field) {Wide(#field), offsetof(type, field)}
#define KELM_COMMON(type) KELM_FIELD(type, m_nTimeStamp), KELM_FIELD(type, m_sPartitionName), KELM_FIELD(type, m_sItemSpec)
    const struct {
        const GUID* guid;
        std::size_t size;
        Fields fields;
    } records[] = {
        {&GUID_KelmStruct_LogicSymbol, sizeof(KelmStruct_LogicSymbol),
         {KELM_COMMON(KelmStruct_LogicSymbol), KELM_FIELD(KelmStruct_LogicSymbol, m_sSymbolName),
          KELM_FIELD(KelmStruct_LogicSymbol, m_psarrPins)}},
        {&GUID_KelmStruct_Cell, sizeof(KelmStruct_Cell),
         {KELM_COMMON(KelmStruct_Cell), KELM_FIELD(KelmStruct_Cell, m_sCellName), KELM_FIELD(KelmStruct_Cell, m_psarrPins)}},
        {&GUID_KelmStruct_PartType, sizeof(KelmStruct_PartType),
         {KELM_COMMON(KelmStruct_PartType), KELM_FIELD(KelmStruct_PartType, m_sPartNumber),
          KELM_FIELD(KelmStruct_PartType, m_sPartName), KELM_FIELD(KelmStruct_PartType, m_sPartLabel),
          KELM_FIELD(KelmStruct_PartType, m_sPartType), KELM_FIELD(KelmStruct_PartType, m_sDescription),
          KELM_FIELD(KelmStruct_PartType, m_psarrPins), KELM_FIELD(KelmStruct_PartType, m_psarrLogicSymbols),
          KELM_FIELD(KelmStruct_PartType, m_psarrCells)}},
    };
#undef KELM_COMMON
#undef KELM_FIELD
    for (const auto& record : records) {
        ComPtr<ITypeInfo> info = Info(lib.get(), *record.guid);
        ASSERT_TRUE(info);
        TYPEATTR* attr = nullptr;
        ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
        EXPECT_EQ(TKIND_RECORD, attr->typekind);
        EXPECT_EQ(record.size, attr->cbSizeInstance);
        Fields fields;
        for (UINT i = 0; i < attr->cVars; ++i) {
            VARDESC* v = nullptr;
            ASSERT_EQ(S_OK, info->GetVarDesc(i, &v));
            fields.emplace_back(Name(info.get(), v->memid), v->oInst);
            info->ReleaseVarDesc(v);
        }
        info->ReleaseTypeAttr(attr);
        EXPECT_EQ(record.fields, fields) << Name(info.get());
    }
    ComPtr<ITypeInfo> kinds = Info(lib.get(), GUID_KelmEnum_ObjType);
    ASSERT_TRUE(kinds);
    const std::pair<std::wstring, LONG> values[] = {{L"KelmEnum_ObjType_None", KelmEnum_ObjType_None},
                                                    {L"KelmEnum_ObjType_LogicSymbol", KelmEnum_ObjType_LogicSymbol},
                                                    {L"KelmEnum_ObjType_Cell", KelmEnum_ObjType_Cell},
                                                    {L"KelmEnum_ObjType_PartType", KelmEnum_ObjType_PartType}};
    for (UINT i = 0; i < std::size(values); ++i) {
        VARDESC* v = nullptr;
        ASSERT_EQ(S_OK, kinds->GetVarDesc(i, &v));
        EXPECT_EQ(values[i], std::make_pair(Name(kinds.get(), v->memid), V_I4(v->lpvarValue)));
        kinds->ReleaseVarDesc(v);
    }
    ComPtr<ITypeInfo> coclass = Info(lib.get(), CLSID_Kelm), iface;
    ASSERT_TRUE(coclass);
    INT flags = 0;
    HREFTYPE ref = 0;
    ASSERT_EQ(S_OK, coclass->GetImplTypeFlags(0, &flags));
    EXPECT_TRUE(flags & IMPLTYPEFLAG_FDEFAULT);
    ASSERT_EQ(S_OK, coclass->GetRefTypeOfImplType(0, &ref));
    ASSERT_EQ(S_OK, coclass->GetRefTypeInfo(ref, iface.Out()));
    EXPECT_EQ(L"IKelm", Name(iface.get()));
}

}  // namespace

// Record descriptions of the KelmAPI records: lookup by GUID, record arrays,
// clearing, copying and field access.
#include <gtest/gtest.h>

#include <cstring>

#include "kelmapi/kelmapi.h"
#include "util/AutoTypes.h"

namespace {

using kelm::ComPtr;

ComPtr<IRecordInfo> InfoFor(REFGUID guid) {
    ComPtr<IRecordInfo> info;
    EXPECT_EQ(GetRecordInfoFromGuids(LIBID_KelmAPI, 1, 0, 0, guid, info.Out()), S_OK);
    return info;
}

SAFEARRAY* Pins(std::initializer_list<const char16_t*> names) {
    SAFEARRAY* psa = SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(names.size()));
    LONG i = 0;
    for (const char16_t* name : names) static_cast<BSTR*>(psa->pvData)[i++] = SysAllocString(name);
    return psa;
}

TEST(RecordInfo, KnowsTheThreeRecordsAndRefusesOtherGuids) {
    struct Expected { const GUID* guid; const char16_t* name; ULONG size; };
    for (const Expected& record : {Expected{&GUID_KelmStruct_Cell, u"KelmStruct_Cell", sizeof(KelmStruct_Cell)},
                                   Expected{&GUID_KelmStruct_LogicSymbol, u"KelmStruct_LogicSymbol",
                                            sizeof(KelmStruct_LogicSymbol)},
                                   Expected{&GUID_KelmStruct_PartType, u"KelmStruct_PartType",
                                            sizeof(KelmStruct_PartType)}}) {
        ComPtr<IRecordInfo> info = InfoFor(*record.guid);
        ASSERT_TRUE(info);
        ULONG size = 0;
        EXPECT_EQ(info->GetSize(&size), S_OK);
        EXPECT_EQ(size, record.size);
        kelm::AutoBstr name;
        EXPECT_EQ(info->GetName(name.Out()), S_OK);
        EXPECT_EQ(std::u16string(name.get()), record.name);
        GUID guid{};
        EXPECT_EQ(info->GetGuid(&guid), S_OK);
        EXPECT_TRUE(IsEqualGUID(guid, *record.guid));
    }
    IRecordInfo* info = reinterpret_cast<IRecordInfo*>(0x1);
    EXPECT_EQ(GetRecordInfoFromGuids(LIBID_KelmAPI, 1, 0, 0, CLSID_Kelm, &info), TYPE_E_ELEMENTNOTFOUND);
    EXPECT_EQ(info, nullptr);
    EXPECT_EQ(GetRecordInfoFromGuids(CLSID_Kelm, 1, 0, 0, GUID_KelmStruct_Cell, &info), TYPE_E_LIBNOTREGISTERED);
    EXPECT_EQ(GetRecordInfoFromGuids(LIBID_KelmAPI, 2, 0, 0, GUID_KelmStruct_Cell, &info), TYPE_E_LIBNOTREGISTERED);
    EXPECT_EQ(GetRecordInfoFromGuids(LIBID_KelmAPI, 1, 0, 0, GUID_KelmStruct_Cell, nullptr), E_INVALIDARG);
}

TEST(RecordInfo, FieldsByNameInPlaceAndWithTypeChecks) {
    ComPtr<IRecordInfo> info = InfoFor(GUID_KelmStruct_Cell);
    KelmStruct_Cell cell;
    std::memset(&cell, 0x5A, sizeof cell);
    ASSERT_EQ(info->RecordInit(&cell), S_OK);
    EXPECT_EQ(cell.m_sCellName, nullptr);
    ULONG count = 0;
    ASSERT_EQ(info->GetFieldNames(&count, nullptr), S_OK);
    ASSERT_EQ(count, 5u);
    BSTR names[5] = {};
    count = 2;  // room for two only
    ASSERT_EQ(info->GetFieldNames(&count, names), S_OK);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(std::u16string(names[1]), u"m_sPartitionName");
    EXPECT_EQ(names[2], nullptr);
    for (BSTR name : names) SysFreeString(name);
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(u"SO8");
    EXPECT_EQ(info->PutField(0, &cell, u"m_sCellName", &value), S_OK);  // a copy
    EXPECT_NE(cell.m_sCellName, value.bstrVal);
    ASSERT_EQ(info->PutFieldNoCopy(0, &cell, u"m_sCellName", &value), S_OK);  // the record owns it now
    EXPECT_EQ(cell.m_sCellName, value.bstrVal);
    VARIANT inPlace;
    VariantInit(&inPlace);
    PVOID carray = reinterpret_cast<PVOID>(0x1);
    ASSERT_EQ(info->GetFieldNoCopy(&cell, u"m_sCellName", &inPlace, &carray), S_OK);
    EXPECT_EQ(inPlace.vt, VT_BYREF | VT_BSTR);
    EXPECT_EQ(*inPlace.pbstrVal, cell.m_sCellName);
    EXPECT_EQ(carray, nullptr);
    EXPECT_EQ(info->GetFieldNoCopy(&cell, u"m_nNothing", &inPlace, nullptr), TYPE_E_ELEMENTNOTFOUND);
    EXPECT_EQ(info->PutFieldNoCopy(0, &cell, u"m_nNothing", &value), TYPE_E_ELEMENTNOTFOUND);
    value.vt = VT_I4;
    value.lVal = 3;
    EXPECT_EQ(info->PutField(0, &cell, u"m_sCellName", &value), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(info->PutField(0, &cell, u"m_nTimeStamp", &value), S_OK);
    EXPECT_EQ(info->PutField(0, &cell, u"m_sNoSuchField", &value), TYPE_E_ELEMENTNOTFOUND);
    ASSERT_EQ(info->GetField(&cell, u"m_sCellName", &value), S_OK);
    EXPECT_EQ(value.vt, VT_BSTR);
    EXPECT_NE(value.bstrVal, cell.m_sCellName);
    EXPECT_EQ(std::u16string(value.bstrVal), u"SO8");
    VariantClear(&value);
    ASSERT_EQ(info->GetField(&cell, u"m_nTimeStamp", &value), S_OK);
    EXPECT_EQ(value.lVal, 3);
    EXPECT_EQ(info->RecordClear(&cell), S_OK);
}

TEST(RecordInfo, RecordArraysCopyDeeplyAndAreClearedWithTheArrayWhenUnlocked) {
    ComPtr<IRecordInfo> info = InfoFor(GUID_KelmStruct_Cell);
    SAFEARRAY* cells = SafeArrayCreateVectorEx(VT_RECORD, 0, 2, info.get());
    ASSERT_NE(cells, nullptr);
    EXPECT_TRUE(cells->fFeatures & FADF_RECORD);
    EXPECT_EQ(SafeArrayGetElemsize(cells), sizeof(KelmStruct_Cell));
    ComPtr<IRecordInfo> held;
    ASSERT_EQ(SafeArrayGetRecordInfo(cells, held.Out()), S_OK);
    EXPECT_TRUE(info->IsMatchingType(held.get()));
    KelmStruct_Cell cell{};
    cell.m_nTimeStamp = 7;
    cell.m_sCellName = SysAllocString(u"DIP8");
    cell.m_psarrPins = Pins({u"1", u"2"});
    LONG at = 1;
    ASSERT_EQ(SafeArrayPutElement(cells, &at, &cell), S_OK);  // deep copy
    info->RecordClear(&cell);
    EXPECT_EQ(cell.m_sCellName, nullptr);
    EXPECT_EQ(cell.m_psarrPins, nullptr);
    auto* stored = static_cast<KelmStruct_Cell*>(cells->pvData);
    EXPECT_EQ(stored[1].m_nTimeStamp, 7);
    EXPECT_EQ(std::u16string(stored[1].m_sCellName), u"DIP8");
    EXPECT_EQ(stored[1].m_psarrPins->rgsabound[0].cElements, 2u);
    ComPtr<IRecordInfo> partInfo = InfoFor(GUID_KelmStruct_PartType);
    KelmStruct_PartType part{};
    part.m_sPartNumber = SysAllocString(u"R-100");
    part.m_psarrCells = cells;
    void* copy = nullptr;
    EXPECT_EQ(partInfo->RecordCreateCopy(nullptr, &copy), E_INVALIDARG);
    ASSERT_EQ(partInfo->RecordCreateCopy(&part, &copy), S_OK);
    auto* copied = static_cast<KelmStruct_PartType*>(copy);
    EXPECT_EQ(std::u16string(copied->m_sPartNumber), u"R-100");
    ASSERT_NE(copied->m_psarrCells, cells);
    EXPECT_EQ(std::u16string(static_cast<KelmStruct_Cell*>(copied->m_psarrCells->pvData)[1].m_sCellName), u"DIP8");
    EXPECT_EQ(partInfo->RecordDestroy(copy), S_OK);
    SafeArrayLock(cells);  // clearing stops at a locked array field
    EXPECT_EQ(partInfo->RecordClear(&part), DISP_E_ARRAYISLOCKED);
    SafeArrayUnlock(cells);
    EXPECT_EQ(partInfo->RecordClear(&part), S_OK);  // frees the array, its names and its pins
}

}  // namespace

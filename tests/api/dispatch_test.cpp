// Late binding: names to identifiers, argument checks and coercion, outs,
// records, and how a method's failure is reported. This is the built-in
// method table's late binding; on Windows the registered type library
// serves IDispatch instead (tested under tests/windows).
#include <gtest/gtest.h>

#if !defined(_WIN32)

#include <memory>
#include <vector>

#include "api/Dispatch.h"
#include "api/DispatchTable.h"
#include "api/Kelm.h"
#include "support/RecordingKelm.h"
#include "support/ScriptedStore.h"
#include "support/TempFolder.h"
#include "util/AutoTypes.h"

namespace kelm {
namespace {

using testing::RecordingKelm;

VARIANT Text(BSTR value) { VARIANT v; VariantInit(&v); v.vt = VT_BSTR; v.bstrVal = value; return v; }
VARIANT Long(LONG value) { VARIANT v; VariantInit(&v); v.vt = VT_I4; v.lVal = value; return v; }
VARIANT Short(SHORT value) { VARIANT v; VariantInit(&v); v.vt = VT_I2; v.iVal = value; return v; }
VARIANT Flag(VARIANT_BOOL value) { VARIANT v; VariantInit(&v); v.vt = VT_BOOL; v.boolVal = value; return v; }
VARIANT ByRef(VARTYPE vt, void* target) { VARIANT v; VariantInit(&v); v.vt = VT_BYREF | vt; v.byref = target; return v; }
VARIANT Record(void* record, IRecordInfo* info) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_RECORD;
    v.pvRecord = record;
    v.pRecInfo = info;
    return v;
}

// Calls Invoke with the arguments given in declaration order.
struct Invocation {
    HRESULT hr = S_OK;
    EXCEPINFO excep{};
    UINT argErr = 12345;
};

Invocation InvokeOn(IKelm& self, DISPID id, std::vector<VARIANT> args, WORD flags = DISPATCH_METHOD) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    Invocation result;
    VARIANT ret;
    result.hr = KelmInvoke(self, id, IID_NULL, 0, flags, &params, &ret, &result.excep, &result.argErr);
    return result;
}

class DispatchTest : public ::testing::Test {
protected:
    RecordingKelm kelm;
    AutoBstr part{SysAllocString(u"Resistors")};
    AutoBstr filter{SysAllocString(u"R*")};
};

TEST_F(DispatchTest, NamesResolveCaseInsensitivelyWithParameterPositions) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(u"getpartitionitemscount"), const_cast<LPOLESTR>(u"I_ELIBOBJTYPE"),
                        const_cast<LPOLESTR>(u"o_pnItemCount")};
    DISPID ids[3] = {};
    EXPECT_EQ(KelmGetIDsOfNames(IID_NULL, names, 3, 0, ids), S_OK);
    EXPECT_EQ(ids[0], 124);
    EXPECT_EQ(ids[1], 2);
    EXPECT_EQ(ids[2], 3);
}

TEST_F(DispatchTest, UnknownNamesAreMarkedUnknown) {
    LPOLESTR method[] = {const_cast<LPOLESTR>(u"NoSuchMethod")};
    DISPID id = 0;
    EXPECT_EQ(KelmGetIDsOfNames(IID_NULL, method, 1, 0, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id, DISPID_UNKNOWN);

    LPOLESTR withParam[] = {const_cast<LPOLESTR>(u"SaveQVM"), const_cast<LPOLESTR>(u"i_sQVMFile")};
    DISPID ids[2] = {};
    EXPECT_EQ(KelmGetIDsOfNames(IID_NULL, withParam, 2, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], 111);  // the method is still named
    EXPECT_EQ(ids[1], DISPID_UNKNOWN);

    EXPECT_EQ(KelmGetIDsOfNames(IID_IUnknown, method, 1, 0, &id), DISP_E_UNKNOWNINTERFACE);
    EXPECT_EQ(KelmGetIDsOfNames(IID_NULL, nullptr, 1, 0, &id), E_INVALIDARG);
}

TEST_F(DispatchTest, InputsArriveInDeclarationOrderWithCoercedKindsAndFlags) {
    AutoBstr scheme{SysAllocString(u"(Default)")};
    SAFEARRAY* result = nullptr;
    Invocation call = InvokeOn(kelm, 122, {Text(scheme.get()), Short(2), Long(-1), Flag(VARIANT_FALSE),
                                           ByRef(VT_ARRAY | VT_BSTR, &result)});
    EXPECT_EQ(call.hr, S_OK);
    EXPECT_EQ(kelm.Last(), "GetPartitionList_SearchScheme((Default), 2, -1, 0, out)");
    AutoSafeArray owned(result);
    LONG ub = 0;
    SafeArrayGetUBound(result, 1, &ub);
    EXPECT_EQ(ub, 1);
}

TEST_F(DispatchTest, InputsPassedByReferenceOrThroughVariantsAreReadThrough) {
    BSTR name = part.get();
    LONG kind = 3;
    VARIANT inner = Long(1);
    EXPECT_EQ(InvokeOn(kelm, 112, {ByRef(VT_BSTR, &name), ByRef(VT_I4, &kind)}).hr, S_OK);
    EXPECT_EQ(kelm.Last(), "ReservePartition(Resistors, 3)");
    EXPECT_EQ(InvokeOn(kelm, 113, {Text(part.get()), ByRef(VT_VARIANT, &inner)}).hr, S_OK);
    EXPECT_EQ(kelm.Last(), "UnReservePartition(Resistors, 1)");
    VARIANT empty;
    VariantInit(&empty);
    EXPECT_EQ(InvokeOn(kelm, 113, {empty, empty}).hr, S_OK);
    EXPECT_EQ(kelm.Last(), "UnReservePartition(null, 0)");
}

TEST_F(DispatchTest, OutStringNumberAndFlagAreFilled) {
    BSTR text = nullptr;
    EXPECT_EQ(InvokeOn(kelm, 151, {Text(part.get()), Long(3), ByRef(VT_BSTR, &text)}).hr, S_OK);
    EXPECT_EQ(std::u16string(text), u"answer");
    SysFreeString(text);

    LONG count = -7;
    EXPECT_EQ(InvokeOn(kelm, 124, {Text(part.get()), Text(filter.get()), Long(2), ByRef(VT_I4, &count)}).hr, S_OK);
    EXPECT_EQ(count, 42);
    EXPECT_EQ(kelm.Last(), "GetPartitionItemsCount(Resistors, R*, 2, out)");

    VARIANT_BOOL exists = VARIANT_FALSE;
    EXPECT_EQ(InvokeOn(kelm, 131, {Text(part.get()), Text(nullptr), Text(filter.get()), Long(3),
                                   ByRef(VT_BOOL, &exists)}).hr,
              S_OK);
    EXPECT_EQ(exists, VARIANT_TRUE);
    EXPECT_EQ(kelm.Last(), "DoesItemExist(Resistors, null, R*, 3, out)");
}

TEST_F(DispatchTest, OutStringArrayReplacesTheCallersArray) {
    SAFEARRAY* items = SafeArrayCreateVector(VT_BSTR, 0, 5);
    EXPECT_EQ(InvokeOn(kelm, 125, {Text(part.get()), Text(filter.get()), Long(3), ByRef(VT_ARRAY | VT_BSTR, &items)}).hr,
              S_OK);
    LONG ub = 0;
    SafeArrayGetUBound(items, 1, &ub);
    EXPECT_EQ(ub, 1);
    EXPECT_EQ(std::u16string(static_cast<BSTR*>(items->pvData)[0]), u"first");
    SafeArrayDestroy(items);
}

TEST_F(DispatchTest, RecordArgumentsArePassedByPointerAndTypeChecked) {
    ComPtr<IRecordInfo> cellInfo, partInfo;
    ASSERT_EQ(GetRecordInfoFromGuids(LIBID_KelmAPI, 1, 0, 0, GUID_KelmStruct_Cell, cellInfo.Out()), S_OK);
    ASSERT_EQ(GetRecordInfoFromGuids(LIBID_KelmAPI, 1, 0, 0, GUID_KelmStruct_PartType, partInfo.Out()), S_OK);
    KelmStruct_Cell cell{};
    cell.m_sCellName = SysAllocString(u"SO8");
    EXPECT_EQ(InvokeOn(kelm, 143, {Text(part.get()), Record(&cell, cellInfo.get()), Flag(VARIANT_TRUE)}).hr, S_OK);
    EXPECT_EQ(kelm.Last(), "AddItemToQVM_Cell(Resistors, SO8, -1)");

    VARIANT byRef = Record(&cell, cellInfo.get());
    byRef.vt = VT_BYREF | VT_RECORD;
    EXPECT_EQ(InvokeOn(kelm, 143, {Text(part.get()), byRef, Flag(VARIANT_FALSE)}).hr, S_OK);

    Invocation wrongRecord = InvokeOn(kelm, 142, {Text(part.get()), Record(&cell, cellInfo.get()), Flag(0)});
    EXPECT_EQ(wrongRecord.hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(wrongRecord.argErr, 1u);

    KelmStruct_PartType partRecord{};
    partRecord.m_sPartNumber = SysAllocString(u"R-1");
    EXPECT_EQ(InvokeOn(kelm, 142, {Text(part.get()), Record(&partRecord, partInfo.get()), Flag(0)}).hr, S_OK);
    EXPECT_EQ(kelm.Last(), "AddItemToQVM_Part(Resistors, R-1, 0)");
    partInfo->RecordClear(&partRecord);
    cellInfo->RecordClear(&cell);
}

TEST_F(DispatchTest, TypeMismatchNamesTheArgumentInReverseOrder) {
    BSTR text = nullptr;
    Invocation call = InvokeOn(kelm, 112, {Long(1), Long(2)});
    EXPECT_EQ(call.hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(call.argErr, 1u);  // the first declared parameter is the last in the array

    call = InvokeOn(kelm, 120, {Text(part.get())});  // an out string needs a reference
    EXPECT_EQ(call.hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(call.argErr, 0u);

    call = InvokeOn(kelm, 124, {Text(part.get()), Text(filter.get()), Long(2), ByRef(VT_BSTR, &text)});
    EXPECT_EQ(call.hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(call.argErr, 0u);
    EXPECT_TRUE(kelm.calls.empty());  // nothing was called
}

TEST_F(DispatchTest, CallShapeErrors) {
    EXPECT_EQ(InvokeOn(kelm, 2, {Long(1)}).hr, DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(InvokeOn(kelm, 1, {Text(part.get())}).hr, DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(InvokeOn(kelm, 3, {}).hr, DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(InvokeOn(kelm, 2, {}, DISPATCH_PROPERTYGET).hr, DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(InvokeOn(kelm, 2, {}, DISPATCH_METHOD | DISPATCH_PROPERTYGET).hr, S_OK);

    VARIANT arg = Text(part.get());
    DISPID named = 0;
    DISPPARAMS params{&arg, &named, 1, 1};
    EXPECT_EQ(KelmInvoke(kelm, 110, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
              DISP_E_NONAMEDARGS);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(KelmInvoke(kelm, 110, IID_IKelm, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);
    EXPECT_EQ(KelmInvoke(kelm, 110, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr),
              E_INVALIDARG);
    EXPECT_EQ(kelm.calls.size(), 1u);
}

TEST_F(DispatchTest, FailureStatusBecomesAnExceptionWithThatCode) {
    kelm.status = E_FAIL;
    LONG count = -7;
    Invocation call = InvokeOn(kelm, 132, {Text(part.get()), Text(filter.get()), Long(2), ByRef(VT_I4, &count)});
    EXPECT_EQ(call.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(call.excep.scode, E_FAIL);
    EXPECT_EQ(count, -7);  // untouched on failure

    kelm.status = S_FALSE;  // success codes other than 0 are success
    EXPECT_EQ(InvokeOn(kelm, 111, {}).hr, S_OK);

    kelm.status = E_POINTER;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(KelmInvoke(kelm, 111, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
              DISP_E_EXCEPTION);  // without an EXCEPINFO
}

// Every method of the table can be called with arguments built from its
// parameter list, and reaches the IKelm method of the same name.
TEST_F(DispatchTest, EveryTableEntryReachesTheMethodOfItsName) {
    ComPtr<IRecordInfo> cellInfo, partInfo;
    GetRecordInfoFromGuids(LIBID_KelmAPI, 1, 0, 0, GUID_KelmStruct_Cell, cellInfo.Out());
    GetRecordInfoFromGuids(LIBID_KelmAPI, 1, 0, 0, GUID_KelmStruct_PartType, partInfo.Out());
    KelmStruct_Cell cell{};
    cell.m_sCellName = SysAllocString(u"C");
    KelmStruct_PartType partRecord{};
    partRecord.m_sPartNumber = SysAllocString(u"P");
    for (const DispatchMethod& method : KelmDispatchTable()) {
        BSTR outText = nullptr;
        LONG outNumber = 0;
        VARIANT_BOOL outFlag = 0;
        SAFEARRAY* outArray = nullptr;
        std::vector<VARIANT> args;
        for (const DispatchParam& param : method.params) {
            switch (param.type) {
                case VT_BSTR: args.push_back(Text(part.get())); break;
                case VT_BOOL: args.push_back(Flag(VARIANT_TRUE)); break;
                case VT_I4: args.push_back(Long(2)); break;
                case VT_RECORD:
                    args.push_back(IsEqualGUID(*param.userType, GUID_KelmStruct_Cell) ? Record(&cell, cellInfo.get())
                                                                                    : Record(&partRecord, partInfo.get()));
                    break;
                case VT_BYREF | VT_BSTR: args.push_back(ByRef(VT_BSTR, &outText)); break;
                case VT_BYREF | VT_I4: args.push_back(ByRef(VT_I4, &outNumber)); break;
                case VT_BYREF | VT_BOOL: args.push_back(ByRef(VT_BOOL, &outFlag)); break;
                case VT_BYREF | VT_ARRAY | VT_BSTR: args.push_back(ByRef(VT_ARRAY | VT_BSTR, &outArray)); break;
                default: ADD_FAILURE() << method.name << " has an unexpected type " << param.type;
            }
        }
        kelm.calls.clear();
        EXPECT_EQ(InvokeOn(kelm, method.id, args).hr, S_OK) << method.name;
        ASSERT_EQ(kelm.calls.size(), 1u) << method.name;
        EXPECT_EQ(kelm.Last().substr(0, kelm.Last().find('(')), method.name);
        EXPECT_EQ(kelm.Last().find("null"), std::string::npos) << kelm.Last();  // every out reached
        SysFreeString(outText);
        SafeArrayDestroy(outArray);
    }
    cellInfo->RecordClear(&cell);
    partInfo->RecordClear(&partRecord);
}

// Through a real object: the session methods on the scripted store.
TEST(DispatchOnKelm, OpenAndCloseByName) {
    auto store = std::make_shared<testing::ScriptedStore>();
    ComPtr<IKelm> kelm;
    ASSERT_EQ(CKelm::CreateWithBackend(store, IID_IKelm, kelm.OutVoid()), S_OK);

    LPOLESTR name[] = {const_cast<LPOLESTR>(u"KELMSTORE_OPEN")};
    DISPID open = 0;
    ASSERT_EQ(kelm->GetIDsOfNames(IID_NULL, name, 1, 0, &open), S_OK);

    AutoBstr wrongName{SysAllocString(u"library.txt")};
    AutoBstr user{SysAllocString(u"alice")};
    std::vector<VARIANT> args = {Flag(VARIANT_FALSE), Text(user.get()), Text(wrongName.get())};  // reversed
    DISPPARAMS params{args.data(), nullptr, 3, 0};
    EXCEPINFO excep{};
    EXPECT_EQ(kelm->Invoke(open, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, &excep, nullptr), DISP_E_EXCEPTION);
    EXPECT_EQ(excep.scode, E_INVALIDARG);

    testing::TempFolder temp;
    const std::string file = temp.File("Main.qvm");
    std::u16string wide(file.begin(), file.end());
    AutoBstr library{SysAllocString(wide.c_str())};
    args[2] = Text(library.get());
    EXPECT_EQ(kelm->Invoke(open, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, &excep, nullptr), S_OK);
    EXPECT_EQ(store->Count("KelmServer::Load"), 1);

    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(kelm->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(store->Count("KelmServer::Close"), 1);
    excep = {};
    EXPECT_EQ(kelm->Invoke(111, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, &excep, nullptr), DISP_E_EXCEPTION);
    EXPECT_EQ(excep.scode, E_FAIL);  // nothing open to save

    UINT count = 9;
    EXPECT_EQ(kelm->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 0u);
    ITypeInfo* info = nullptr;
    EXPECT_EQ(kelm->GetTypeInfo(0, 0, &info), E_NOTIMPL);
}

}  // namespace
}  // namespace kelm

#endif  // !_WIN32

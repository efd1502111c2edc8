// The checks every method makes before it works, in their order: a null
// out-parameter (or record) first, then the open test, then the object kind.
// A refused call writes nothing to its out-parameters.
#include <gtest/gtest.h>

#include <functional>

#include "platform/Environment.h"
#include "support/ImportRecords.h"
#include "support/KelmOnLibrary.h"

namespace kelm::testing {
namespace {

// What the caller left in the out-parameters; a refused call must not touch them.
struct Outs {
    BSTR text = reinterpret_cast<BSTR>(0x1234);
    SAFEARRAY* array = reinterpret_cast<SAFEARRAY*>(0x5678);
    long number = -77;
    VARIANT_BOOL flag = 5;
    bool Untouched() const {
        return text == reinterpret_cast<BSTR>(0x1234) && array == reinterpret_cast<SAFEARRAY*>(0x5678) &&
               number == -77 && flag == 5;
    }
};

constexpr HRESULT kNone = 1;  // "this step does not apply to the method" (no method gives S_FALSE here)

struct Method {
    const char* name;
    // Calls the method with the kind; `outs` null passes null out-parameters (or a null record).
    std::function<HRESULT(IKelm&, Outs*, KelmEnum_ObjType)> call;
    HRESULT nullOut;  // on a closed library, with null out-parameters
    HRESULT closed;   // on a closed library
    HRESULT noKind;   // open, with KelmEnum_ObjType_None
};

TEST(MethodChecks, NullOutThenOpenTestThenKindForAll27Methods) {
    platform::SetEnvironmentForTesting([](const std::string&) { return std::nullopt; });  // no Curator
    ImportRecords records;
    KelmStruct_PartType part = records.Part("P-1");
    KelmStruct_Cell cell = records.Cell("C-1", StringList{"1"});
    AutoBstr a = Bstr("Resistors"), b = Bstr("R-0805-1K"), c = Bstr("Capacitors"), d = Bstr("X"), flow = Bstr("f");
    AutoBstr wrongFile = Bstr("library.txt"), missingFile = Bstr("missing.qvm");
    const auto B = [](Outs* o) { return o ? &o->text : nullptr; };
    const auto S = [](Outs* o) { return o ? &o->array : nullptr; };
    const auto N = [](Outs* o) { return o ? &o->number : nullptr; };
    const auto F = [](Outs* o) { return o ? &o->flag : nullptr; };
    const VARIANT_BOOL t = VARIANT_TRUE;
    using K = KelmEnum_ObjType;
    // Each row: the call (`o`: the out-parameters, null for null ones; `kind`), then its statuses.
#define KELM_CALL(expr) [&](IKelm& k, [[maybe_unused]] Outs* o, [[maybe_unused]] K kind) { return expr; }
    const std::vector<Method> methods = {
        {"Kelmstore_Open", KELM_CALL(k.Kelmstore_Open(missingFile.get(), nullptr, 0)), kNone, E_FAIL, kNone},
        {"Kelmstore_Open(extension)", KELM_CALL(k.Kelmstore_Open(wrongFile.get(), nullptr, 0)),
         kNone, E_INVALIDARG, kNone},
        {"Kelmstore_Close", KELM_CALL(k.Kelmstore_Close()), kNone, S_OK, kNone},
        {"RunCurator", KELM_CALL(k.RunCurator(missingFile.get(), flow.get())), kNone, E_FAIL, kNone},
        {"RefreshQVMTree", KELM_CALL(k.RefreshQVMTree(a.get(), kind)), kNone, E_FAIL, kNone},
        {"ReloadQVM", KELM_CALL(k.ReloadQVM()), kNone, E_FAIL, kNone},
        {"SaveQVM", KELM_CALL(k.SaveQVM()), kNone, E_FAIL, kNone},
        {"ReservePartition", KELM_CALL(k.ReservePartition(a.get(), kind)), kNone, E_FAIL, kNone},
        {"UnReservePartition", KELM_CALL(k.UnReservePartition(a.get(), kind)), kNone, E_FAIL, kNone},
        {"GetSearchScheme_Default", KELM_CALL(k.GetSearchScheme_Default(B(o))), E_POINTER, E_FAIL, kNone},
        {"GetSearchScheme_All", KELM_CALL(k.GetSearchScheme_All(S(o))), E_POINTER, E_FAIL, kNone},
        {"GetPartitionList_SearchScheme", KELM_CALL(k.GetPartitionList_SearchScheme(nullptr, kind, t, t, S(o))),
         E_POINTER, E_FAIL, E_FAIL},
        {"GetPartitionList_DefaultSearchScheme", KELM_CALL(k.GetPartitionList_DefaultSearchScheme(kind, t, t, S(o))),
         E_POINTER, E_FAIL, E_FAIL},
        {"GetPartitionItemsCount", KELM_CALL(k.GetPartitionItemsCount(a.get(), nullptr, kind, N(o))),
         E_POINTER, E_FAIL, E_FAIL},
        {"GetPartitionItems", KELM_CALL(k.GetPartitionItems(a.get(), nullptr, kind, S(o))), E_POINTER, E_FAIL, E_FAIL},
        {"FindItemPartition", KELM_CALL(k.FindItemPartition(b.get(), kind, B(o))), E_POINTER, E_FAIL, E_FAIL},
        // The one exception: DoesItemExist tests the kind before the open test.
        {"DoesItemExist", KELM_CALL(k.DoesItemExist(a.get(), nullptr, b.get(), kind, F(o))),
         E_POINTER, E_FAIL, E_NOTIMPL},
        {"GetPinCount", KELM_CALL(k.GetPinCount(a.get(), b.get(), kind, N(o))), E_POINTER, E_FAIL, E_FAIL},
        {"GetPartsUsingThisCell", KELM_CALL(k.GetPartsUsingThisCell(b.get(), S(o))), E_POINTER, E_FAIL, kNone},
        {"GetPartitionsStoringThisCell", KELM_CALL(k.GetPartitionsStoringThisCell(b.get(), S(o))),
         E_POINTER, E_FAIL, kNone},
        {"AddPartition", KELM_CALL(k.AddPartition(d.get(), kind, t)), kNone, E_FAIL, kNone},
        {"DeletePartition", KELM_CALL(k.DeletePartition(d.get(), kind)), kNone, E_FAIL, kNone},
        {"AddItemToQVM_Part", KELM_CALL(k.AddItemToQVM_Part(a.get(), o ? &part : nullptr, t)),
         E_POINTER, E_FAIL, kNone},
        {"AddItemToQVM_Cell", KELM_CALL(k.AddItemToQVM_Cell(d.get(), o ? &cell : nullptr, t)),
         E_POINTER, E_FAIL, kNone},
        {"DeleteItemFromQVM", KELM_CALL(k.DeleteItemFromQVM(a.get(), b.get(), kind, F(o))),
         E_POINTER, E_FAIL, E_NOTIMPL},
        {"CopyItemInQVM", KELM_CALL(k.CopyItemInQVM(a.get(), b.get(), c.get(), d.get(), kind, t, t)),
         kNone, E_FAIL, E_NOTIMPL},
        {"CreateDefaultPadstack", KELM_CALL(k.CreateDefaultPadstack(d.get(), d.get())), kNone, E_FAIL, kNone},
        {"GetPartitionReservation", KELM_CALL(k.GetPartitionReservation(a.get(), kind, B(o))),
         E_POINTER, E_FAIL, kNone},
    };
#undef KELM_CALL

    KelmOnLibrary lib;
    IKelm* closed = nullptr;
    ASSERT_EQ(CKelm::CreateInstance(nullptr, IID_IKelm, reinterpret_cast<void**>(&closed)), S_OK);
    const auto none = KelmEnum_ObjType_None;
    for (const Method& m : methods) {
        SCOPED_TRACE(m.name);
        if (m.nullOut != kNone) {
            EXPECT_EQ(m.call(*closed, nullptr, none), m.nullOut);  // even before the kind and the open test
            EXPECT_EQ(m.call(lib.Kelm(), nullptr, kCell), m.nullOut);
        }
        Outs outs;
        EXPECT_EQ(m.call(*closed, &outs, kCell), m.closed);
        if (FAILED(m.closed)) {
            EXPECT_TRUE(outs.Untouched());
        }
        if (m.noKind != kNone) {
            const bool kindFirst = std::string(m.name) == "DoesItemExist";
            EXPECT_EQ(m.call(*closed, &outs, none), kindFirst ? m.noKind : m.closed);
            EXPECT_EQ(m.call(lib.Kelm(), &outs, none), m.noKind);
            EXPECT_TRUE(outs.Untouched());
        }
    }
    // DoesItemExist refuses a kind it does not serve even on a closed library.
    VARIANT_BOOL flag = 5;
    EXPECT_EQ(closed->DoesItemExist(a.get(), nullptr, b.get(), kSymbol, &flag), E_NOTIMPL);
    EXPECT_EQ(flag, 5);
    EXPECT_EQ(lib->DoesItemExist(a.get(), nullptr, b.get(), kSymbol, &flag), E_NOTIMPL);
    EXPECT_EQ(methods.size(), 28u);  // the 27 methods, Kelmstore_Open twice
    closed->Release();
    platform::SetEnvironmentForTesting(nullptr);
}

}  // namespace
}  // namespace kelm::testing

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
    const std::vector<Method> methods = {
        {"Kelmstore_Open", [&](IKelm& k, Outs*, K) { return k.Kelmstore_Open(missingFile.get(), nullptr, 0); },
         kNone, E_FAIL, kNone},
        {"Kelmstore_Open(extension)", [&](IKelm& k, Outs*, K) { return k.Kelmstore_Open(wrongFile.get(), nullptr, 0); },
         kNone, E_INVALIDARG, kNone},
        {"Kelmstore_Close", [&](IKelm& k, Outs*, K) { return k.Kelmstore_Close(); }, kNone, S_OK, kNone},
        {"RunCurator", [&](IKelm& k, Outs*, K) { return k.RunCurator(missingFile.get(), flow.get()); }, kNone, E_FAIL,
         kNone},
        {"RefreshQVMTree", [&](IKelm& k, Outs*, K kind) { return k.RefreshQVMTree(a.get(), kind); }, kNone, E_FAIL,
         kNone},
        {"ReloadQVM", [&](IKelm& k, Outs*, K) { return k.ReloadQVM(); }, kNone, E_FAIL, kNone},
        {"SaveQVM", [&](IKelm& k, Outs*, K) { return k.SaveQVM(); }, kNone, E_FAIL, kNone},
        {"ReservePartition", [&](IKelm& k, Outs*, K kind) { return k.ReservePartition(a.get(), kind); }, kNone, E_FAIL,
         kNone},
        {"UnReservePartition", [&](IKelm& k, Outs*, K kind) { return k.UnReservePartition(a.get(), kind); }, kNone,
         E_FAIL, kNone},
        {"GetSearchScheme_Default", [&](IKelm& k, Outs* o, K) { return k.GetSearchScheme_Default(B(o)); }, E_POINTER,
         E_FAIL, kNone},
        {"GetSearchScheme_All", [&](IKelm& k, Outs* o, K) { return k.GetSearchScheme_All(S(o)); }, E_POINTER, E_FAIL,
         kNone},
        {"GetPartitionList_SearchScheme",
         [&](IKelm& k, Outs* o, K kind) { return k.GetPartitionList_SearchScheme(nullptr, kind, t, t, S(o)); },
         E_POINTER, E_FAIL, E_FAIL},
        {"GetPartitionList_DefaultSearchScheme",
         [&](IKelm& k, Outs* o, K kind) { return k.GetPartitionList_DefaultSearchScheme(kind, t, t, S(o)); },
         E_POINTER, E_FAIL, E_FAIL},
        {"GetPartitionItemsCount",
         [&](IKelm& k, Outs* o, K kind) { return k.GetPartitionItemsCount(a.get(), nullptr, kind, N(o)); }, E_POINTER,
         E_FAIL, E_FAIL},
        {"GetPartitionItems",
         [&](IKelm& k, Outs* o, K kind) { return k.GetPartitionItems(a.get(), nullptr, kind, S(o)); }, E_POINTER,
         E_FAIL, E_FAIL},
        {"FindItemPartition", [&](IKelm& k, Outs* o, K kind) { return k.FindItemPartition(b.get(), kind, B(o)); },
         E_POINTER, E_FAIL, E_FAIL},
        // The one exception: DoesItemExist tests the kind before the open test.
        {"DoesItemExist",
         [&](IKelm& k, Outs* o, K kind) { return k.DoesItemExist(a.get(), nullptr, b.get(), kind, F(o)); }, E_POINTER,
         E_FAIL, E_NOTIMPL},
        {"GetPinCount", [&](IKelm& k, Outs* o, K kind) { return k.GetPinCount(a.get(), b.get(), kind, N(o)); },
         E_POINTER, E_FAIL, E_FAIL},
        {"GetPartsUsingThisCell", [&](IKelm& k, Outs* o, K) { return k.GetPartsUsingThisCell(b.get(), S(o)); },
         E_POINTER, E_FAIL, kNone},
        {"GetPartitionsStoringThisCell",
         [&](IKelm& k, Outs* o, K) { return k.GetPartitionsStoringThisCell(b.get(), S(o)); }, E_POINTER, E_FAIL, kNone},
        {"AddPartition", [&](IKelm& k, Outs*, K kind) { return k.AddPartition(d.get(), kind, t); }, kNone, E_FAIL,
         kNone},
        {"DeletePartition", [&](IKelm& k, Outs*, K kind) { return k.DeletePartition(d.get(), kind); }, kNone, E_FAIL,
         kNone},
        {"AddItemToQVM_Part", [&](IKelm& k, Outs* o, K) { return k.AddItemToQVM_Part(a.get(), o ? &part : nullptr, t); },
         E_POINTER, E_FAIL, kNone},
        {"AddItemToQVM_Cell", [&](IKelm& k, Outs* o, K) { return k.AddItemToQVM_Cell(d.get(), o ? &cell : nullptr, t); },
         E_POINTER, E_FAIL, kNone},
        {"DeleteItemFromQVM",
         [&](IKelm& k, Outs* o, K kind) { return k.DeleteItemFromQVM(a.get(), b.get(), kind, F(o)); }, E_POINTER,
         E_FAIL, E_NOTIMPL},
        {"CopyItemInQVM",
         [&](IKelm& k, Outs*, K kind) { return k.CopyItemInQVM(a.get(), b.get(), c.get(), d.get(), kind, t, t); },
         kNone, E_FAIL, E_NOTIMPL},
        {"CreateDefaultPadstack", [&](IKelm& k, Outs*, K) { return k.CreateDefaultPadstack(d.get(), d.get()); }, kNone,
         E_FAIL, kNone},
        {"GetPartitionReservation",
         [&](IKelm& k, Outs* o, K kind) { return k.GetPartitionReservation(a.get(), kind, B(o)); }, E_POINTER, E_FAIL,
         kNone},
    };

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

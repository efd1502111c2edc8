// What each method makes of a store status that the file store never gives:
// a positive status, an unknown negative one, or a failure of a step that
// cannot fail on files (a property setter, a save). One row per path: the
// store operation scripted to answer, the method's status, whether the
// library was saved and what the operation log says.
#include <gtest/gtest.h>

#include <functional>

#include "support/ImportRecords.h"
#include "support/KelmOnLibrary.h"
#include "support/ScriptedStore.h"

namespace kelm::testing {
namespace {

constexpr HRESULT kOdd = static_cast<HRESULT>(0x8004ABCDL);  // no store code of ours
constexpr HRESULT kPositive = 7;
constexpr HRESULT kExists = static_cast<HRESULT>(0x80040005L);

struct Row {
    const char* what;
    std::function<void(ScriptedStore&)> script;
    std::function<HRESULT(IKelm&, ImportRecords&)> call;
    HRESULT expected;
    int saves = -1;            // -1: not looked at
    const char* logged = "";   // a text the log must hold ("" : the log stays empty)
};

HRESULT Call(IKelm& k, HRESULT (IKelm::*method)(BSTR, KelmEnum_ObjType), const char* name, KelmEnum_ObjType kind) {
    AutoBstr n = Bstr(name);
    return (k.*method)(n.get(), kind);
}

TEST(StoreStatuses, ReachTheClientAsEachMethodPassesThemOn) {
    const auto answers = [](const char* op, HRESULT status) {
        return [=](ScriptedStore& s) { s.Returns(op, status); };
    };
    const auto schemeName = [](IKelm& k, ImportRecords&) {
        AutoBstr out;
        return k.GetSearchScheme_Default(out.Out());
    };
    const auto allSchemes = [](IKelm& k, ImportRecords&) {
        AutoSafeArray out;
        return k.GetSearchScheme_All(out.Out());
    };
    const auto schemePartitions = [](IKelm& k, ImportRecords&) {
        AutoBstr scheme = Bstr("S");
        AutoSafeArray out;
        return k.GetPartitionList_SearchScheme(scheme.get(), kCell, VARIANT_TRUE, VARIANT_TRUE, out.Out());
    };
    const auto count = [](const char* filter) {
        return [=](IKelm& k, ImportRecords&) {
            AutoBstr p = Bstr("P"), f = Bstr(filter);
            long n = 0;
            return k.GetPartitionItemsCount(p.get(), f.get(), kPart, &n);
        };
    };
    const auto items = [](IKelm& k, ImportRecords&) {
        AutoBstr p = Bstr("P"), f = Bstr("*");
        AutoSafeArray out;
        return k.GetPartitionItems(p.get(), f.get(), kPart, out.Out());
    };
    const auto find = [](KelmEnum_ObjType kind) {
        return [=](IKelm& k, ImportRecords&) {
            AutoBstr i = Bstr("X"), out;
            return k.FindItemPartition(i.get(), kind, out.Out());
        };
    };
    const auto pins = [](IKelm& k, ImportRecords&) {
        AutoBstr p = Bstr("P"), i = Bstr("X");
        long n = 0;
        return k.GetPinCount(p.get(), i.get(), kCell, &n);
    };
    const auto usedBy = [](IKelm& k, ImportRecords&) {
        AutoBstr c = Bstr("X");
        AutoSafeArray out;
        return k.GetPartsUsingThisCell(c.get(), out.Out());
    };
    const auto holder = [](IKelm& k, ImportRecords&) {
        AutoBstr p = Bstr("P"), out;
        return k.GetPartitionReservation(p.get(), kCell, out.Out());
    };
    const auto reserve = [](IKelm& k, ImportRecords&) { return Call(k, &IKelm::ReservePartition, "P", kCell); };
    const auto release = [](IKelm& k, ImportRecords&) { return Call(k, &IKelm::UnReservePartition, "P", kCell); };
    const auto addPartition = [](IKelm& k, ImportRecords&) {
        AutoBstr p = Bstr("X");
        return k.AddPartition(p.get(), kCell, VARIANT_TRUE);
    };
    const auto deletePartition = [](IKelm& k, ImportRecords&) { return Call(k, &IKelm::DeletePartition, "X", kCell); };
    const auto deleteItem = [](KelmEnum_ObjType kind) {
        return [=](IKelm& k, ImportRecords&) {
            AutoBstr p = Bstr("P"), i = Bstr("X");
            VARIANT_BOOL missing = 0;
            return k.DeleteItemFromQVM(p.get(), i.get(), kind, &missing);
        };
    };
    const auto copy = [](KelmEnum_ObjType kind, bool overwrite, bool move) {
        return [=](IKelm& k, ImportRecords&) {
            AutoBstr p = Bstr("P"), i = Bstr("X"), q = Bstr("Q"), j = Bstr("Y");
            return k.CopyItemInQVM(p.get(), i.get(), q.get(), j.get(), kind, overwrite ? VARIANT_TRUE : 0,
                                   move ? VARIANT_TRUE : 0);
        };
    };
    const auto importPart = [](IKelm& k, ImportRecords& r) {
        AutoBstr p = Bstr("P");
        KelmStruct_PartType part = r.Part("N-1", 5);
        part.m_psarrCells = r.Cells({r.Cell("C1", StringList{"1"})});
        part.m_psarrLogicSymbols = r.Symbols({r.Symbol("S1", "G:S1", StringList{"A"})});
        return k.AddItemToQVM_Part(p.get(), &part, VARIANT_TRUE);
    };
    const auto importCell = [](IKelm& k, ImportRecords& r) {
        AutoBstr p = Bstr("P");
        KelmStruct_Cell cell = r.Cell("C1", StringList{"1"});
        return k.AddItemToQVM_Cell(p.get(), &cell, VARIANT_TRUE);
    };
    std::string qvm;
    const auto reopen = [&](IKelm& k, ImportRecords&) {
        AutoBstr file = Bstr(qvm);
        return k.Kelmstore_Open(file.get(), nullptr, 0);
    };
    const auto free = [](const char* op, HRESULT status, const char* key = "") {
        return [=](ScriptedStore& s) {
            s.FillsString("KelmSchemePartition::GetPartitionReservation", "");
            if (*key) s.ReturnsFor(op, key, status); else s.Returns(op, status);
        };
    };
    const auto part = [](const char* op, const char* message) {
        return Row{op, [=](ScriptedStore& s) { s.Returns(op, kOdd); }, nullptr, S_OK, -1, message};
    };

    std::vector<Row> rows = {
        {"reload", answers("KelmServer::Load", kPositive), [](IKelm& k, ImportRecords&) { return k.ReloadQVM(); },
         E_FAIL},
        {"save", answers("KelmServer::Save", kPositive), [](IKelm& k, ImportRecords&) { return k.SaveQVM(); }, E_FAIL, -1,
         "Library not saved."},
        {"scheme name +", answers("KelmSchemePartition::GetDefaultSearchSchemeName", kPositive), schemeName, S_OK},
        {"scheme name -", answers("KelmSchemePartition::GetDefaultSearchSchemeName", kOdd), schemeName, kOdd},
        {"schemes +", answers("KelmSchemePartition::GetSchemes", kPositive), allSchemes, S_OK},
        {"schemes -", answers("KelmSchemePartition::GetSchemes", kOdd), allSchemes, kOdd},
        {"scheme list +", answers("KelmSchemePartition::GetSchemePartitionList", kPositive), schemePartitions, S_OK},
        {"scheme list -", answers("KelmSchemePartition::GetSchemePartitionList", kOdd), schemePartitions, kOdd},
        {"count as is", answers("KelmSchemePartition::GetNumObjectsInPartition", kPositive), count(""), kPositive},
        {"filtered count", answers("KelmPart::GetPartsInPartition", kOdd), count("R*"), kOdd},
        {"items +", answers("KelmPart::GetPartsInPartition", kPositive), items, S_OK},
        {"items -", answers("KelmPart::GetPartsInPartition", kOdd), items, kOdd},
        {"find cell -", answers("KelmCell::GetPartitionNames", kOdd), find(kCell), kOdd},
        {"find cell +", [](ScriptedStore& s) { s.Returns("KelmCell::GetPartitionNames", kPositive).Fills("KelmCell::GetPartitionNames", {"Smd"}); },
         find(kCell), S_OK},
        {"find part -", answers("KelmPart::GetPartition", kOdd), find(kPart), kOdd},
        {"find symbol: the last partition decides",
         [](ScriptedStore& s) {
             s.Fills("KelmSchemePartition::GetDefaultSearchScheme", {"SymbolLibs\\A", "SymbolLibs\\B"})
                 .Fills("KelmSymbol::GetPartitionNames", {"A"})
                 .ReturnsFor("KelmSymbol::GetPartitionNames", "B:X", kOdd);
         },
         find(kSymbol), kOdd},
        {"find symbol: no scheme", answers("KelmSchemePartition::GetDefaultSearchScheme", kOdd), find(kSymbol), kOdd},
        {"pins -", answers("KelmCell::GetPinNames", kOdd), pins, kOdd},
        {"cell usage is not looked at", answers("KelmCell::GetPartNumbers", kOdd), usedBy, S_OK},
        {"reserve +", answers("KelmSchemePartition::ReservePartition", kPositive), reserve, S_OK},
        {"reserve -", answers("KelmSchemePartition::ReservePartition", kOdd), reserve, kOdd},
        {"release +", answers("KelmSchemePartition::UnReservePartition", kPositive), release, S_OK},
        {"release -", answers("KelmSchemePartition::UnReservePartition", kOdd), release, kOdd},
        {"holder +", answers("KelmSchemePartition::GetPartitionReservation", kPositive), holder, S_OK},
        {"holder -", answers("KelmSchemePartition::GetPartitionReservation", kOdd), holder, kOdd},
        {"add partition: list", answers("KelmSchemePartition::GetAllPartitions", kOdd), addPartition, kOdd},
        {"add partition: add", answers("KelmSchemePartition::AddPartition", kOdd), addPartition, S_OK},
        {"delete partition: list", answers("KelmSchemePartition::GetAllPartitions", kOdd), deletePartition, kOdd},
        {"delete partition: delete",
         [](ScriptedStore& s) {
             s.Fills("KelmSchemePartition::GetAllPartitions", {"CellDBLibs\\X.cel"})
                 .Returns("KelmSchemePartition::DeletePartition", kOdd);
         },
         deletePartition, S_OK},
        {"delete: taking the partition", free("KelmSchemePartition::ReservePartition", kPositive), deleteItem(kCell),
         kPositive, 0},
        {"delete: positive delete", answers("KelmCell::Delete", kPositive), deleteItem(kCell), kPositive, 0},
        {"delete: part", answers("KelmPart::Delete", kOdd), deleteItem(kPart), kOdd, 0},
        {"delete: save", answers("KelmServer::Save", kOdd), deleteItem(kPart), kOdd, 1},
        {"copy: unreadable pins", answers("KelmCell::GetPinNames", kPositive), copy(kCell, false, false), kPositive, 0},
        {"copy: unreadable type", answers("KelmCell::GetType", kPositive), copy(kCell, false, false), kPositive, 0},
        {"copy: padstacks are not looked at",
         [](ScriptedStore& s) { s.Fills("KelmCell::GetPadstackNames", {"PAD"}).Returns("KelmCell::AddPadstack", kOdd); },
         copy(kCell, false, true), S_OK, 1},
        {"copy: overwrite's delete is not looked at",
         [](ScriptedStore& s) {
             s.ReturnsFor("KelmCell::Add", "Y|Q", kExists).Returns("KelmCell::Delete", kOdd);
         },
         copy(kCell, true, false), kExists, 0},
        {"move: source delete", answers("KelmPart::Delete", kPositive), copy(kPart, false, true), kPositive, 0},
        {"move: second partition", free("KelmSchemePartition::ReservePartition", kOdd, "Q"),
         copy(kPart, false, true), kOdd, 0},
        {"copy: save", answers("KelmServer::Save", kOdd), copy(kPart, false, false), kOdd, 1},
        {"import part: add", answers("KelmPart::Add", kPositive), importPart, E_FAIL, 0,
         "Error adding Part Number to QVM. Partition (P), Part Number (N-1), Error (7)."},
        {"import part: overwrite's delete",
         [](ScriptedStore& s) { s.Returns("KelmPart::Add", kExists).Returns("KelmPart::Delete", kPositive); },
         importPart, E_FAIL, 0, "Error deleting existing Part Number from QVM. Partition (P), Part Number (N-1)."},
        {"import part: overwritten, still there", answers("KelmPart::Add", kExists), importPart, E_FAIL, 0,
         "Part Number already exists. Error adding it to QVM. Partition (P), Part Number (N-1)."},
        part("KelmPart::SetName", "Error setting Part Name in QVM. Partition (P), Part Number (N-1), Part Name (N-1 name)."),
        part("KelmPart::SetNameDefault", "Error setting Default for Part Name in QVM."),
        part("KelmPart::SetLabel", "Error setting Part Label in QVM. Partition (P), Part Number (N-1), Part Label (N-1 label)."),
        part("KelmPart::SetLabelDefault", "Error setting Default for Part Label in QVM."),
        part("KelmPart::SetDesc", "Error setting Description in QVM."),
        part("KelmPart::SetTimestamp", "Error setting Time Stamp in QVM. Partition (P), Part Number (N-1), Time Stamp (5)."),
        part("KelmPart::SetType", "Error setting Type in QVM. Partition (P), Part Number (N-1), Type (N-1 type)."),
        part("KelmPart::AddCell", "Error adding Cell to QVM. Partition (P), Part Number (N-1), Cell (C1), Error (-2147177523)."),
        part("KelmPart::AddSymbol", "Error adding Symbol to QVM. Partition (P), Part Number (N-1), Symbol (S1), Error (-2147177523)."),
        {"import cell: add", answers("KelmCell::Add", kOdd), importCell, E_FAIL, 0,
         "Error adding Cell to QVM. Partition (P), Cell (C1)."},
        {"import cell: pins differ", answers("KelmCell::Add", static_cast<HRESULT>(0x80070057L)), importCell, E_FAIL,
         0, "Cell's pin names do not match current pin names in the QVM."},
        {"reopen: init", answers("KelmServer::Init", kPositive), reopen, E_FAIL},
        {"reopen: load", answers("KelmServer::Load", kPositive), reopen, E_FAIL},
    };

    for (Row& row : rows) {
        SCOPED_TRACE(row.what);
        TempFolder folder;
        qvm = folder.File("Main.qvm");
        auto store = std::make_shared<ScriptedStore>();
        store->FillsString("KelmSchemePartition::GetPartitionReservation", "alice");
        ComPtr<IKelm> kelm;
        ASSERT_EQ(CKelm::CreateWithBackend(store, IID_IKelm, kelm.OutVoid()), S_OK);
        AutoBstr file = Bstr(qvm), user = Bstr("alice");
        ASSERT_EQ(kelm->Kelmstore_Open(file.get(), user.get(), VARIANT_FALSE), S_OK);
        if (row.call == nullptr) row.call = importPart;
        row.script(*store);
        const int savesBefore = store->Count("KelmServer::Save");
        ImportRecords records;
        EXPECT_EQ(row.call(*kelm.get(), records), row.expected);
        EXPECT_EQ(store->oddArguments, 0);
        if (row.saves >= 0) {
            EXPECT_EQ(store->Count("KelmServer::Save") - savesBefore, row.saves);
        }
        const std::string log = ReadFileBytes(folder.Root() / "LogFiles" / "QuorKelm.log");
        if (*row.logged == '\0') {
            EXPECT_EQ(log, "");
        } else {
            EXPECT_NE(log.find(row.logged), std::string::npos) << log;
        }
    }
}

// A failed rewrite of the default scheme leaves it as it was: no scheme is
// deleted when its contents could not be read.
TEST(StoreStatuses, AnUnreadableDefaultSchemeIsNotRewritten) {
    for (const char* op : {"KelmSchemePartition::GetDefaultSchemeProtection", "KelmSchemePartition::GetDefaultSearchScheme"}) {
        TempFolder folder;
        auto store = std::make_shared<ScriptedStore>();
        ComPtr<IKelm> kelm;
        ASSERT_EQ(CKelm::CreateWithBackend(store, IID_IKelm, kelm.OutVoid()), S_OK);
        AutoBstr file = Bstr(folder.File("Main.qvm")), name = Bstr("X");
        ASSERT_EQ(kelm->Kelmstore_Open(file.get(), nullptr, VARIANT_FALSE), S_OK);
        store->FillsString("KelmSchemePartition::GetDefaultSearchSchemeName", "(Default)").Returns(op, kOdd);
        EXPECT_EQ(kelm->AddPartition(name.get(), kCell, VARIANT_TRUE), S_OK) << op;
        EXPECT_EQ(store->Count("KelmSchemePartition::DeleteScheme"), 0) << op;
        EXPECT_EQ(store->Count("KelmSchemePartition::AddSearchScheme"), 0) << op;
    }
}

}  // namespace
}  // namespace kelm::testing

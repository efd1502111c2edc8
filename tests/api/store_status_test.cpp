// What each method makes of a store status that the file store never gives:
// a positive status, an unknown negative one, or a failure of a step that
// cannot fail on files (a property setter, a save).
#include <gtest/gtest.h>

#include <functional>

#include "api/LastFailure.h"
#include "support/ImportRecords.h"
#include "support/KelmOnLibrary.h"
#include "support/ScriptedStore.h"

namespace kelm::testing {
namespace {

constexpr HRESULT kOdd = static_cast<HRESULT>(0x8004ABCDL);  // no store code of ours
constexpr HRESULT kPositive = 7;
constexpr HRESULT kExists = static_cast<HRESULT>(0x80040005L);

struct Args {  // the names the calls pass, their out-parameters and the records they import
    AutoBstr p = Bstr("P"), q = Bstr("Q"), x = Bstr("X"), y = Bstr("Y"), all = Bstr("*"), filter = Bstr("R*"), text;
    AutoSafeArray list;
    long number = 0;
    VARIANT_BOOL flag = 0;
    ImportRecords records;
};
using CallFn = std::function<HRESULT(IKelm&, Args&)>;

struct Row {
    const char* what;
    std::function<void(ScriptedStore&)> script;
    CallFn call;
    HRESULT expected;
    int saves = -1;            // -1: not looked at
    const char* logged = "";   // a text the log must hold ("" : the log stays empty)
};

ComPtr<IKelm> OpenOn(const std::shared_ptr<ScriptedStore>& store, const std::string& qvm, const char* user) {
    ComPtr<IKelm> kelm;
    EXPECT_EQ(CKelm::CreateWithBackend(store, IID_IKelm, kelm.OutVoid()), S_OK);
    AutoBstr file = Bstr(qvm), name = Bstr(user ? user : "");
    EXPECT_EQ(kelm->Kelmstore_Open(file.get(), user ? name.get() : nullptr, VARIANT_FALSE), S_OK);
    return kelm;
}

TEST(StoreStatuses, ReachTheClientAsEachMethodPassesThemOn) {
    const auto answers = [](const char* op, HRESULT status) {
        return [=](ScriptedStore& s) { s.Returns(op, status); };
    };
    constexpr VARIANT_BOOL T = VARIANT_TRUE;
    // A call of a method on the names and out-parameters of `a`.
#define KELM_CALL(expr) CallFn([=](IKelm& k, [[maybe_unused]] Args& a) { return expr; })
    const CallFn schemeName = KELM_CALL(k.GetSearchScheme_Default(a.text.Out()));
    const CallFn allSchemes = KELM_CALL(k.GetSearchScheme_All(a.list.Out()));
    const CallFn schemePartitions = KELM_CALL(k.GetPartitionList_SearchScheme(a.p.get(), kCell, T, T, a.list.Out()));
    const CallFn count = KELM_CALL(k.GetPartitionItemsCount(a.p.get(), nullptr, kPart, &a.number));
    const CallFn filtered = KELM_CALL(k.GetPartitionItemsCount(a.p.get(), a.filter.get(), kPart, &a.number));
    const CallFn items = KELM_CALL(k.GetPartitionItems(a.p.get(), a.all.get(), kPart, a.list.Out()));
    const auto find = [](KelmEnum_ObjType kind) { return KELM_CALL(k.FindItemPartition(a.x.get(), kind, a.text.Out())); };
    const CallFn pins = KELM_CALL(k.GetPinCount(a.p.get(), a.x.get(), kCell, &a.number));
    const CallFn usedBy = KELM_CALL(k.GetPartsUsingThisCell(a.x.get(), a.list.Out()));
    const CallFn holder = KELM_CALL(k.GetPartitionReservation(a.p.get(), kCell, a.text.Out()));
    const CallFn reserve = KELM_CALL(k.ReservePartition(a.p.get(), kCell));
    const CallFn release = KELM_CALL(k.UnReservePartition(a.p.get(), kCell));
    const CallFn addPartition = KELM_CALL(k.AddPartition(a.x.get(), kCell, T));
    const CallFn deletePartition = KELM_CALL(k.DeletePartition(a.x.get(), kCell));
    const auto deleteItem = [](KelmEnum_ObjType kind) {
        return KELM_CALL(k.DeleteItemFromQVM(a.p.get(), a.x.get(), kind, &a.flag));
    };
    const auto copy = [](KelmEnum_ObjType kind, VARIANT_BOOL overwrite, VARIANT_BOOL move) {
        return KELM_CALL(k.CopyItemInQVM(a.p.get(), a.x.get(), a.q.get(), a.y.get(), kind, overwrite, move));
    };
    const CallFn importPart = [](IKelm& k, Args& a) {
        ImportRecords& r = a.records;
        KelmStruct_PartType part = r.Part("N-1", 5);
        part.m_psarrCells = r.Cells({r.Cell("C1", StringList{"1"})});
        part.m_psarrLogicSymbols = r.Symbols({r.Symbol("S1", "G:S1", StringList{"A"})});
        return k.AddItemToQVM_Part(a.p.get(), &part, T);
    };
    const CallFn importCell = [](IKelm& k, Args& a) {
        KelmStruct_Cell cell = a.records.Cell("C1", StringList{"1"});
        return k.AddItemToQVM_Cell(a.p.get(), &cell, T);
    };
    std::string qvm;
    const CallFn reopen = [&](IKelm& k, Args&) { return k.Kelmstore_Open(Bstr(qvm).get(), nullptr, 0); };
    const CallFn reload = KELM_CALL(k.ReloadQVM());
    const CallFn save = KELM_CALL(k.SaveQVM());
#undef KELM_CALL
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
        {"reload", answers("KelmServer::Load", kPositive), reload, E_FAIL},
        {"save", answers("KelmServer::Save", kPositive), save, E_FAIL, -1, "Library not saved."},
        {"count as is", answers("KelmSchemePartition::GetNumObjectsInPartition", kPositive), count, kPositive},
        {"filtered count", answers("KelmPart::GetPartsInPartition", kOdd), filtered, kOdd},
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
        {"copy: unreadable pins", answers("KelmCell::GetPinNames", kPositive), copy(kCell, 0, 0), kPositive, 0},
        {"copy: unreadable type", answers("KelmCell::GetType", kPositive), copy(kCell, 0, 0), kPositive, 0},
        {"copy: padstacks are not looked at",
         [](ScriptedStore& s) { s.Fills("KelmCell::GetPadstackNames", {"PAD"}).Returns("KelmCell::AddPadstack", kOdd); },
         copy(kCell, 0, T), S_OK, 1},
        {"copy: overwrite's delete is not looked at",
         [](ScriptedStore& s) {
             s.ReturnsFor("KelmCell::Add", "Y|Q", kExists).Returns("KelmCell::Delete", kOdd);
         },
         copy(kCell, T, 0), kExists, 0},
        {"move: source delete", answers("KelmPart::Delete", kPositive), copy(kPart, 0, T), kPositive, 0},
        {"move: second partition", free("KelmSchemePartition::ReservePartition", kOdd, "Q"),
         copy(kPart, 0, T), kOdd, 0},
        {"copy: save", answers("KelmServer::Save", kOdd), copy(kPart, 0, 0), kOdd, 1},
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
    // A positive store status is success to these methods; a negative one is passed on.
    for (const auto& [op, call] : {std::pair{"KelmSchemePartition::GetDefaultSearchSchemeName", schemeName},
                                   {"KelmSchemePartition::GetSchemes", allSchemes},
                                   {"KelmSchemePartition::GetSchemePartitionList", schemePartitions},
                                   {"KelmPart::GetPartsInPartition", items},
                                   {"KelmSchemePartition::ReservePartition", reserve},
                                   {"KelmSchemePartition::UnReservePartition", release},
                                   {"KelmSchemePartition::GetPartitionReservation", holder}}) {
        rows.push_back({op, answers(op, kPositive), call, S_OK});
        rows.push_back({op, answers(op, kOdd), call, kOdd});
    }
    for (Row& row : rows) {
        SCOPED_TRACE(row.what);
        TempFolder folder;
        qvm = folder.File("Main.qvm");
        auto store = std::make_shared<ScriptedStore>();
        store->FillsString("KelmSchemePartition::GetPartitionReservation", "alice");
        ComPtr<IKelm> kelm = OpenOn(store, qvm, "alice");
        if (row.call == nullptr) row.call = importPart;
        row.script(*store);
        const int savesBefore = store->Count("KelmServer::Save");
        Args args;
        EXPECT_EQ(row.call(*kelm.get(), args), row.expected);
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

// A store status without the store's own words is described by its name in
// the public list, or by its number; a default scheme whose contents could
// not be read is left as it was.
TEST(StoreStatuses, DescriptionsAndAnUnreadableDefaultScheme) {
    TempFolder folder;
    AutoBstr name = Bstr("P");
    for (const auto& [status, words] : {std::pair{KELM_E_CONFLICT, ": conflict."}, {kOdd, ": status 0x8004ABCD."}}) {
        auto store = std::make_shared<ScriptedStore>();
        ComPtr<IKelm> kelm = OpenOn(store, folder.File("Main.qvm"), nullptr);
        store->Returns("KelmSchemePartition::ReservePartition", status);
        EXPECT_EQ(kelm->ReservePartition(name.get(), kCell), status);
        const std::string description = LastFailureDescription(kelm.get(), status);
        EXPECT_EQ(description.rfind(words), description.size() - std::string(words).size()) << description;
    }
    for (const char* op : {"KelmSchemePartition::GetDefaultSchemeProtection", "KelmSchemePartition::GetDefaultSearchScheme"}) {
        auto store = std::make_shared<ScriptedStore>();
        ComPtr<IKelm> kelm = OpenOn(store, folder.File("Main.qvm"), nullptr);
        store->FillsString("KelmSchemePartition::GetDefaultSearchSchemeName", "(Default)").Returns(op, kOdd);
        EXPECT_EQ(kelm->AddPartition(name.get(), kCell, VARIANT_TRUE), S_OK) << op;
        EXPECT_EQ(store->Count("KelmSchemePartition::DeleteScheme") + store->Count("KelmSchemePartition::AddSearchScheme"), 0)
            << op;
    }
}

}  // namespace
}  // namespace kelm::testing

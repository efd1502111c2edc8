// Random operations through IKelm on the real file store, checked against a plain in-memory model of the library. Two
// sessions (alice, bob) take turns on one library: a turn ends with a save, and the other session reloads before it
// goes on. Every status and every lookup answer is compared with the model.
//   KELM_MODEL_SEED=<n>   replays one run (the seed is printed on failure)
//   KELM_MODEL_STEPS=<n>  operations per run (default 400)
#include <gtest/gtest.h>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <map>
#include <random>
#include <sstream>
#include "kelmapi/kelmapi.h"
#include "platform/CodePage.h"
#include "store/format/PartitionFiles.h"
#include "support/ImportRecords.h"
#include "support/KelmOnLibrary.h"
#include "support/TempLibrary.h"
#include "util/AutoTypes.h"
using namespace kelm;
using namespace kelm::testing;
namespace {
using Kind = KelmEnum_ObjType;
constexpr VARIANT_BOOL kTrue = VARIANT_TRUE, kFalse = VARIANT_FALSE;
std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}
bool SameNoCase(const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }
Names Sorted(Names names) { std::sort(names.begin(), names.end()); return names; }
std::string Join(const Names& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ",") + name;
    return "[" + text + "]";
}
std::string Hex(long number) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(number));
    return text;
}
// The model. Partition names of the three kinds never collide, so a partition is keyed by its lower-case name alone.
struct PartType {
    std::string partition;  // key
    Names pins, cells;
};
struct Library {
    std::map<std::string, std::pair<Kind, std::string>> partitions;  // key -> kind, name as created
    Names scheme;                                                    // the default scheme's keys in order
    std::map<std::string, PartType> parts;                           // by number
    std::map<std::string, std::map<std::string, Names>> cells;       // partition key -> cell -> pins
    std::map<std::string, std::map<std::string, int>> symbols;       // partition key -> symbol -> pin count
};
struct Model {
    Library disk, view;                         // what is saved; what the active session sees
    std::map<std::string, std::string> holders;  // partition key -> holder; shared at once
    std::string user;
    bool Exists(const std::string& name, Kind kind) const {
        return view.partitions.count(Lower(name)) && view.partitions.at(Lower(name)).first == kind;
    }
    std::string Holder(const std::string& name) const { return holders.count(Lower(name)) ? holders.at(Lower(name)) : ""; }
    HRESULT Reserve(const std::string& name, Kind kind, bool take) {
        if (!Exists(name, kind)) return KELM_E_NO_SUCH_PARTITION;
        const std::string holder = Holder(name);
        if (!holder.empty() && !SameNoCase(holder, user)) return KELM_E_RESERVED_BY_OTHER;
        if (take) holders.emplace(Lower(name), user);
        else holders.erase(Lower(name));
        return S_OK;
    }
    // The rule of the editing methods: a free partition is taken for the call.
    HRESULT Acquire(const std::string& name, Kind kind, bool& took) {
        took = false;
        if (Exists(name, kind) && !Holder(name).empty()) return SameNoCase(Holder(name), user) ? S_OK : E_FAIL;
        const HRESULT reserved = Reserve(name, kind, true);
        took = reserved == S_OK;
        return reserved;
    }
    HRESULT CheckHolder(const std::string& key, const std::string& editor) const {
        return Holder(key).empty() ? KELM_E_NOT_RESERVED : SameNoCase(Holder(key), editor) ? S_OK : KELM_E_RESERVED_BY_OTHER;
    }
    // Cell partitions holding a cell, in configuration order (sorted by name).
    Names CellPartitions(const std::string& cell) const {
        Names keys;
        for (const auto& [key, cells] : view.cells)
            if (cells.count(cell)) keys.push_back(key);
        return keys;
    }
    std::string NameOf(const std::string& key) const { return view.partitions.at(key).second; }
    HRESULT ImportPart(const std::string& partition, const std::string& number, const Names& pins, const Names& cells,
                       bool overwrite) {
        const std::string key = Lower(partition), holder = Exists(partition, kPart) ? Holder(partition) : "";
        if (holder.empty()) return E_FAIL;
        if (const auto it = view.parts.find(number); it != view.parts.end()) {
            if (!overwrite || CheckHolder(it->second.partition, holder) != S_OK) return E_FAIL;
            view.parts.erase(it);
        }
        PartType& part = view.parts[number] = {key, pins, {}};
        for (const std::string& cell : cells)
            if (std::find(part.cells.begin(), part.cells.end(), cell) == part.cells.end()) part.cells.push_back(cell);
        return S_OK;
    }
    HRESULT AddCell(const std::string& key, const std::string& cell, const Names& pins) {
        if (view.cells[key].count(cell)) return KELM_E_ITEM_EXISTS_OR_MISSING;
        for (const std::string& other : CellPartitions(cell))
            if (Sorted(view.cells[other][cell]) != Sorted(pins)) return E_INVALIDARG;
        view.cells[key][cell] = pins;
        return S_OK;
    }
    HRESULT ImportCell(const std::string& partition, const std::string& cell, const Names& pins, bool overwrite) {
        if (!Exists(partition, kCell) || Holder(partition).empty()) return E_FAIL;
        const HRESULT added = AddCell(Lower(partition), cell, pins);
        if (added == KELM_E_ITEM_EXISTS_OR_MISSING && overwrite) view.cells[Lower(partition)][cell] = pins;
        return added == S_OK || (added == KELM_E_ITEM_EXISTS_OR_MISSING && overwrite) ? S_OK : E_FAIL;
    }
    HRESULT DeleteItem(const std::string& partition, const std::string& item, Kind kind, bool& missing) {
        missing = false;
        bool took = false;
        HRESULT status = Acquire(partition, kind, took);
        if (status != S_OK) return status;
        if (kind == kCell) {
            status = view.cells[Lower(partition)].erase(item) ? S_OK : KELM_E_ITEM_EXISTS_OR_MISSING;
        } else if (!view.parts.count(item)) {
            status = KELM_E_ITEM_EXISTS_OR_MISSING;
        } else if ((status = CheckHolder(view.parts[item].partition, user)) == S_OK) {
            view.parts.erase(item);
        }
        missing = status == KELM_E_ITEM_EXISTS_OR_MISSING;
        if (took) Reserve(partition, kind, false);
        if (status == S_OK) disk = view;
        return status;
    }
    HRESULT Copy(Kind kind, const std::string& src, const std::string& item, const std::string& dest,
                 const std::string& name, bool overwrite, bool move) {
        bool tookSource = false, tookDest = false;
        if (src == dest || move) RETURN_IF_FAILED(Acquire(src, kind, tookSource));
        if (src != dest) {
            const HRESULT reserved = Acquire(dest, kind, tookDest);
            if (reserved != S_OK) {
                if (tookSource) Reserve(src, kind, false);
                return reserved;
            }
        }
        const HRESULT status = kind == kCell ? CopyCell(src, item, dest, name, overwrite, move)
                                             : CopyPart(src, item, dest, name, move);
        if (tookDest) Reserve(dest, kind, false);
        if (tookSource) Reserve(src, kind, false);
        if (status == S_OK) disk = view;
        return status;
    }
    HRESULT CopyCell(const std::string& src, const std::string& item, const std::string& dest, const std::string& name,
                     bool overwrite, bool move) {
        const Names holding = CellPartitions(item);
        if (holding.empty()) return KELM_E_NO_SUCH_ITEM;
        const Names pins = view.cells[holding.front()][item];
        if (!Exists(src, kCell)) return KELM_E_NO_SUCH_PARTITION;
        if (!view.cells[Lower(src)].count(item)) return KELM_E_NO_SUCH_ITEM;
        HRESULT status = Exists(dest, kCell) ? CheckHolder(Lower(dest), user) : KELM_E_NO_SUCH_PARTITION;
        if (status == S_OK) status = AddCell(Lower(dest), name, pins);
        if (status == KELM_E_ITEM_EXISTS_OR_MISSING && overwrite) {
            view.cells[Lower(dest)].erase(name);
            status = AddCell(Lower(dest), name, pins);
        }
        if (status == S_OK && move) view.cells[Lower(src)].erase(item);
        return status;
    }
    HRESULT CopyPart(const std::string&, const std::string& item, const std::string& dest, const std::string& name,
                     bool move) {
        if (!view.parts.count(item)) return KELM_E_NO_SUCH_ITEM;
        if (!Exists(dest, kPart)) return KELM_E_NO_SUCH_PARTITION;
        RETURN_IF_FAILED(CheckHolder(Lower(dest), user));
        if (view.parts.count(name)) return KELM_E_ITEM_EXISTS_OR_MISSING;
        view.parts[name] = {Lower(dest), view.parts[item].pins, {}};
        if (!move) return S_OK;
        RETURN_IF_FAILED(CheckHolder(view.parts[item].partition, user));
        view.parts.erase(item);
        return S_OK;
    }
    HRESULT AddPartition(const std::string& name, Kind kind, bool toScheme) {
        if (view.partitions.count(Lower(name))) return S_FALSE;
        view.partitions[Lower(name)] = {kind, name};
        if (toScheme) view.scheme.push_back(Lower(name));
        return S_OK;
    }
    HRESULT DeletePartition(const std::string& name, Kind kind) {
        if (!Exists(name, kind)) return S_FALSE;
        const std::string holder = Holder(name);
        if (!holder.empty() && holder != user) return S_OK;  // the store refuses another holder; the method says 0
        const std::string key = Lower(name);
        view.partitions.erase(key);
        view.cells.erase(key);
        view.symbols.erase(key);
        std::erase(view.scheme, key);
        std::erase_if(view.parts, [&](const auto& entry) { return entry.second.partition == key; });
        return S_OK;
    }
};
// The client.
struct Bstr {
    explicit Bstr(const std::string& text) : value(platform::AnsiToBstr(text)) {}
    operator BSTR() const { return value.get(); }
    AutoBstr value;
};
ComPtr<IKelm> NewKelm() {
    ComPtr<IClassFactory> factory;
    ComPtr<IKelm> kelm;
    EXPECT_EQ(DllGetClassObject(CLSID_Kelm, IID_IClassFactory, factory.OutVoid()), S_OK);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IKelm, kelm.OutVoid()), S_OK);
    return kelm;
}
const Names kPartPartitions{"Pa", "Pb", "Pc", "Pd"}, kCellPartitions{"Ca", "Cb", "Cc"}, kSymbolPartitions{"Sa", "Sb", "Sc"};
const Names& PartitionsOf(Kind kind) { return kind == kPart ? kPartPartitions : kind == kCell ? kCellPartitions : kSymbolPartitions; }
class ModelRun {
public:
    explicit ModelRun(std::uint32_t seed) : m_random(seed) {
        for (int i = 0; i < 40; ++i) m_numbers.push_back("N" + std::to_string(10 + i));
        for (int i = 0; i < 10; ++i) m_cells.push_back("K" + std::to_string(i));
        for (int i = 0; i < 6; ++i) m_symbols.push_back("Y" + std::to_string(i));
    }
    void Run(int steps) {
        Setup();
        for (int step = 0; step < steps && !::testing::Test::HasFailure(); ++step) {
            Step();
            for (int i = 0; i < 3; ++i) Lookup();
            if (step % 100 == 99) CheckEverything();
        }
        if (!::testing::Test::HasFailure()) CheckEverything();
    }
private:
    int Any(int count) { return static_cast<int>(m_random() % static_cast<unsigned>(count)); }
    bool Chance(int percent) { return Any(100) < percent; }
    const std::string& Pick(const Names& names) { return names[static_cast<std::size_t>(Any(static_cast<int>(names.size())))]; }
    // Now and then a partition name in other letter case: partitions resolve without case.
    std::string Spell(const std::string& name) { return Chance(10) ? Lower(name) : name; }
    Names PinsOf(const std::string& cell) {
        Names pins;
        for (int i = 0, count = 1 + (cell.back() - '0') % 3 + (Chance(8) ? 1 : 0); i < count; ++i)
            pins.push_back(std::to_string(i + 1));
        return pins;
    }
    IKelm* Kelm() { return m_sessions[m_active].get(); }
    void Expect(long actual, long expected, const std::string& what) {  // a status, flag or count
        if (actual != expected) Fail(what + ": " + Hex(actual) + ", model " + Hex(expected));
    }
    void Expect(const Names& actual, const Names& expected, const std::string& what) {
        if (actual != expected) Fail(what + ": " + Join(actual) + ", model " + Join(expected));
    }
    void Fail(const std::string& message) {
        std::ostringstream trail;
        for (const std::string& op : m_trail) trail << "  " << op << "\n";
        ADD_FAILURE() << message << "\nlast operations (oldest first):\n" << trail.str();
    }
    void Log(const std::string& op) {
        m_trail.push_back("[" + m_model.user + "] " + op);
        if (m_trail.size() > 60) m_trail.pop_front();
    }
    void Setup() {
        for (const char* user : {"alice", "bob"}) {
            m_sessions.push_back(NewKelm());
            ASSERT_EQ(m_sessions.back()->Kelmstore_Open(Bstr(m_library.File()), Bstr(user), kFalse), S_OK);
        }
        m_model.user = "alice";
        for (const Kind kind : {kPart, kCell, kSymbol})  // the last name of each kind is added later, if at all
            for (std::size_t i = 0; i + 1 < PartitionsOf(kind).size(); ++i) {
                ASSERT_EQ(Kelm()->AddPartition(Bstr(PartitionsOf(kind)[i]), kind, kTrue), S_OK);
                m_model.AddPartition(PartitionsOf(kind)[i], kind, true);
            }
        ASSERT_EQ(Kelm()->SaveQVM(), S_OK);
        // Symbols come from their files; the component cannot add them.
        for (const std::string partition : {"Sa", "Sb"})
            for (const std::string& symbol : m_symbols) {
                if (Chance(40)) continue;
                const int pins = 1 + Any(4);
                Names pinNames;
                for (int i = 0; i < pins; ++i) pinNames.push_back("p" + std::to_string(i));
                m_library.WriteFile("SymbolLibs/" + partition + "/sym/" + symbol + ".1", store::SerializeSymbolFile(symbol, pinNames));
                m_model.view.symbols[Lower(partition)][symbol] = pins;
            }
        m_model.disk = m_model.view;
        for (auto& session : m_sessions) ASSERT_EQ(session->ReloadQVM(), S_OK);
    }
    void Step() {
        const int op = Any(100);
        if (op < 22) return ImportPart();
        if (op < 34) return ImportCell();
        if (op < 44) return DeleteItem();
        if (op < 56) return CopyItem();
        if (op < 79) return PartitionOp(op < 70 ? 0 : op < 75 ? 1 : 2);
        if (op < 88) {
            Log("SaveQVM");
            Expect(Kelm()->SaveQVM(), S_OK, "SaveQVM");
            m_model.disk = m_model.view;
        } else if (op < 93) {
            const bool merge = Chance(50);  // the library-wide index is gone: merged again by the next lookup
            if (merge) std::filesystem::remove(m_library.Path("lib.index/Library.idx"));
            Log(merge ? "ReloadQVM without the library-wide index" : "ReloadQVM");
            Expect(Kelm()->ReloadQVM(), S_OK, "ReloadQVM");
            m_model.view = m_model.disk;
        } else {
            // The other user's turn: this session saves, the other reloads.
            Log("SaveQVM, then the other session reloads");
            Expect(Kelm()->SaveQVM(), S_OK, "SaveQVM at the end of a turn");
            m_model.disk = m_model.view;
            m_active = 1 - m_active;
            m_model.user = m_active ? "bob" : "alice";
            Expect(Kelm()->ReloadQVM(), S_OK, "ReloadQVM at the start of a turn");
            CheckEverything();
        }
    }
    void ImportPart() {
        const std::string partition = Spell(Pick(kPartPartitions)), number = Pick(m_numbers);
        const bool overwrite = Chance(30);
        ImportRecords records;
        std::vector<KelmStruct_Cell> cellRecords;
        Names pins, cells;
        for (int i = Any(3); i > 0; --i) {
            const std::string cell = Pick(m_cells);
            const Names cellPins = PinsOf(cell);
            if (cellPins.size() > pins.size()) pins = cellPins;
            cells.push_back(cell);
            cellRecords.push_back(records.Cell(cell, cellPins));
        }
        KelmStruct_PartType record = records.Part(number);
        record.m_psarrCells = cellRecords.empty() ? nullptr : records.Cells(cellRecords);
        Log("AddItemToQVM_Part " + partition + " " + number + " cells " + Join(cells) + (overwrite ? " overwrite" : ""));
        Expect(Kelm()->AddItemToQVM_Part(Bstr(partition), &record, overwrite ? kTrue : kFalse),
               m_model.ImportPart(partition, number, pins, cells, overwrite), "AddItemToQVM_Part");
    }
    void ImportCell() {
        const std::string partition = Spell(Pick(kCellPartitions)), cell = Pick(m_cells);
        const bool overwrite = Chance(30);
        const Names pins = PinsOf(cell);
        ImportRecords records;
        KelmStruct_Cell record = records.Cell(cell, pins);
        Log("AddItemToQVM_Cell " + partition + " " + cell + " pins " + Join(pins) + (overwrite ? " overwrite" : ""));
        Expect(Kelm()->AddItemToQVM_Cell(Bstr(partition), &record, overwrite ? kTrue : kFalse),
               m_model.ImportCell(partition, cell, pins, overwrite), "AddItemToQVM_Cell");
    }
    void DeleteItem() {
        const bool cell = Chance(40);
        const std::string partition = Spell(Pick(cell ? kCellPartitions : kPartPartitions));
        const std::string item = Pick(cell ? m_cells : m_numbers);
        Log("DeleteItemFromQVM " + partition + " " + item);
        VARIANT_BOOL missing = 7;
        bool expectMissing = false;
        Expect(Kelm()->DeleteItemFromQVM(Bstr(partition), Bstr(item), cell ? kCell : kPart, &missing),
               m_model.DeleteItem(partition, item, cell ? kCell : kPart, expectMissing), "DeleteItemFromQVM");
        Expect(missing, expectMissing ? kTrue : kFalse, "DeleteItemFromQVM: no item to delete");
    }
    void CopyItem() {
        const bool cell = Chance(50), overwrite = Chance(40), move = Chance(40);
        const Names& partitions = cell ? kCellPartitions : kPartPartitions;
        const std::string src = Spell(Pick(partitions)), dest = Spell(Pick(partitions));
        const std::string item = Pick(cell ? m_cells : m_numbers), name = Pick(cell ? m_cells : m_numbers);
        Log("CopyItemInQVM " + src + " " + item + " -> " + dest + " " + name + (overwrite ? " overwrite" : "") +
            (move ? " move" : ""));
        const HRESULT actual = Kelm()->CopyItemInQVM(Bstr(src), Bstr(item), Bstr(dest), Bstr(name), cell ? kCell : kPart,
                                                     overwrite ? kTrue : kFalse, move ? kTrue : kFalse);
        const HRESULT expected = m_model.Copy(cell ? kCell : kPart, src, item, dest, name, overwrite, move);
        // A part number that another partition holds may be named as such.
        if (!(actual == KELM_E_DUPLICATE && expected == KELM_E_ITEM_EXISTS_OR_MISSING && !cell))
            Expect(actual, expected, "CopyItemInQVM");
    }
    // A partition of any kind: ReservePartition, UnReservePartition, AddPartition or DeletePartition.
    void PartitionOp(int op) {
        const Kind kind = std::array{kPart, kCell, kSymbol}[static_cast<std::size_t>(Any(3))];
        const std::string name = Spell(Pick(PartitionsOf(kind)));
        const bool flag = Chance(op == 0 ? 75 : 70);
        static const char* const kNames[] = {"ReservePartition ", "AddPartition ", "DeletePartition "};
        Log(std::string(op == 0 && !flag ? "UnReservePartition " : kNames[op]) + name + (op == 1 && flag ? " to the default scheme" : ""));
        if (op == 0) Expect(flag ? Kelm()->ReservePartition(Bstr(name), kind) : Kelm()->UnReservePartition(Bstr(name), kind),
                            m_model.Reserve(name, kind, flag), "(Un)ReservePartition");
        if (op == 1) Expect(Kelm()->AddPartition(Bstr(name), kind, flag ? kTrue : kFalse), m_model.AddPartition(name, kind, flag), "AddPartition");
        if (op == 2) Expect(Kelm()->DeletePartition(Bstr(name), kind), m_model.DeletePartition(name, kind), "DeletePartition");
    }
    void Lookup() {
        const Kind kind = std::array{kPart, kCell, kSymbol}[static_cast<std::size_t>(Any(3))];
        if (Chance(50)) return CheckItems(Pick(PartitionsOf(kind)), kind);
        if (kind == kPart) return CheckPart(Pick(m_numbers));
        return kind == kCell ? CheckCell(Pick(m_cells)) : CheckSymbol(Pick(m_symbols));
    }
    void CheckEverything() {
        for (const std::string& number : m_numbers) CheckPart(number);
        for (const std::string& cell : m_cells) CheckCell(cell);
        for (const std::string& symbol : m_symbols) CheckSymbol(symbol);
        for (const Kind kind : {kPart, kCell, kSymbol})
            for (const std::string& partition : PartitionsOf(kind)) {
                CheckItems(partition, kind);
                AutoBstr holder;
                Expect(Kelm()->GetPartitionReservation(Bstr(partition), kind, holder.Out()),
                       m_model.Exists(partition, kind) ? S_OK : KELM_E_NO_SUCH_PARTITION, "GetPartitionReservation " + partition);
                Expect({platform::BstrToAnsi(holder.get())}, {m_model.Exists(partition, kind) ? m_model.Holder(partition) : ""},
                       "holder of " + partition);
            }
    }
    void CheckPart(const std::string& number) {
        const auto it = m_model.view.parts.find(number);
        const bool known = it != m_model.view.parts.end();
        AutoBstr found;
        Expect(Kelm()->FindItemPartition(Bstr(number), kPart, found.Out()), known ? S_OK : E_FAIL, "FindItemPartition " + number);
        if (known) Expect({platform::BstrToAnsi(found.get())}, {m_model.NameOf(it->second.partition)}, "partition of " + number);
        const std::string asked = Pick(kPartPartitions), excluded = Chance(50) ? "" : Spell(Pick(kPartPartitions));
        const std::string where = Chance(30) ? "" : Spell(asked);
        const std::string in = known ? m_model.NameOf(it->second.partition) : "";
        const bool exists = known && (where.empty() || where == in) && in != excluded;
        VARIANT_BOOL answer = 7;
        Expect(Kelm()->DoesItemExist(Bstr(where), Bstr(excluded), Bstr(number), kPart, &answer), S_OK, "DoesItemExist");
        Expect(answer, exists ? kTrue : kFalse, "DoesItemExist '" + where + "' but not '" + excluded + "' " + number);
        long pins = -1;
        Expect(Kelm()->GetPinCount(Bstr(""), Bstr(number), kPart, &pins), known ? S_OK : KELM_E_NO_SUCH_ITEM, "GetPinCount " + number);
        Expect(pins, known ? static_cast<long>(it->second.pins.size()) : 0, "pins of " + number);
    }
    void CheckCell(const std::string& cell) {
        AutoSafeArray users, storing;
        Names expectedUsers, expectedStoring;
        for (const auto& [number, part] : m_model.view.parts)
            if (std::find(part.cells.begin(), part.cells.end(), cell) != part.cells.end()) expectedUsers.push_back(number);
        for (const std::string& key : m_model.CellPartitions(cell)) expectedStoring.push_back(m_model.NameOf(key));
        Expect(Kelm()->GetPartsUsingThisCell(Bstr(cell), users.Out()), S_OK, "GetPartsUsingThisCell");
        Expect(Sorted(Strings(users.get())), expectedUsers, "parts using " + cell);
        Expect(Kelm()->GetPartitionsStoringThisCell(Bstr(cell), storing.Out()), S_OK, "GetPartitionsStoringThisCell");
        const Names actual = Strings(storing.get());
        Expect(Sorted(actual), Sorted(expectedStoring), "partitions storing " + cell);
        // The first partition the store lists wins; its pins are the cell's pins.
        AutoBstr found;
        long pins = -1;
        const bool known = !expectedStoring.empty();
        Expect(Kelm()->FindItemPartition(Bstr(cell), kCell, found.Out()), known ? S_OK : E_FAIL, "FindItemPartition " + cell);
        Expect(Kelm()->GetPinCount(Bstr(""), Bstr(cell), kCell, &pins), known ? S_OK : KELM_E_NO_SUCH_ITEM, "GetPinCount " + cell);
        if (!known || actual.empty()) return Expect(pins, 0, "pins of " + cell);
        Expect({platform::BstrToAnsi(found.get())}, {actual.front()}, "partition of " + cell);
        Expect(pins, static_cast<long>(m_model.view.cells[Lower(actual.front())][cell].size()), "pins of " + cell);
        const std::string where = Chance(40) ? "" : Spell(Pick(kCellPartitions)), excluded = Chance(50) ? "" : Pick(kCellPartitions);
        bool exists = false;
        for (const std::string& key : where.empty() ? m_model.view.scheme : Names{Lower(where)})
            if (m_model.Exists(key, kCell) && (where.empty() ? m_model.NameOf(key) : where) != excluded &&
                m_model.view.cells[key].count(cell))
                exists = true;
        VARIANT_BOOL answer = 7;
        Expect(Kelm()->DoesItemExist(Bstr(where), Bstr(excluded), Bstr(cell), kCell, &answer), S_OK, "DoesItemExist");
        Expect(answer, exists ? kTrue : kFalse, "DoesItemExist '" + where + "' but not '" + excluded + "' " + cell);
    }
    void CheckSymbol(const std::string& symbol) {
        std::string first;
        for (const std::string& key : m_model.view.scheme)
            if (first.empty() && m_model.Exists(key, kSymbol) && m_model.view.symbols[key].count(symbol)) first = m_model.NameOf(key);
        AutoBstr found;
        Expect(Kelm()->FindItemPartition(Bstr(symbol), kSymbol, found.Out()), first.empty() ? E_FAIL : S_OK, "FindItemPartition " + symbol);
        if (!first.empty()) Expect({platform::BstrToAnsi(found.get())}, {first}, "partition of " + symbol);
        const std::string partition = Pick(kSymbolPartitions);
        const bool exists = m_model.Exists(partition, kSymbol);
        const auto& held = m_model.view.symbols[Lower(partition)];
        long pins = -1;
        Expect(Kelm()->GetPinCount(Bstr(partition), Bstr(symbol), kSymbol, &pins),
               !exists ? KELM_E_NO_SUCH_PARTITION : held.count(symbol) ? S_OK : KELM_E_NO_SUCH_ITEM, "GetPinCount " + symbol);
        Expect(pins, exists && held.count(symbol) ? held.at(symbol) : 0, "pins of " + partition + ":" + symbol);
    }
    void CheckItems(const std::string& partition, Kind kind) {
        const std::string key = Lower(partition), filter = Chance(50) ? "*" : Chance(50) ? "*1" : "N1*";
        Names expected;
        if (kind == kPart) {
            for (const auto& [number, part] : m_model.view.parts)
                if (part.partition == key) expected.push_back(number);
        } else if (kind == kCell) {
            for (const auto& [cell, pins] : m_model.view.cells[key]) expected.push_back(cell);
        } else {
            for (const auto& [symbol, pins] : m_model.view.symbols[key]) expected.push_back(m_model.Exists(key, kind) ? m_model.NameOf(key) + ":" + symbol : "");
        }
        const long all = static_cast<long>(expected.size());
        std::erase_if(expected, [&](const std::string& name) {
            const std::string own = kind == kSymbol ? name.substr(name.find(':') + 1) : name;
            return filter == "*1" ? own.back() != '1' : filter == "N1*" ? own.rfind("N1", 0) != 0 : false;
        });
        const HRESULT status = m_model.Exists(partition, kind) ? S_OK : KELM_E_NO_SUCH_PARTITION;
        AutoSafeArray items;
        long count = -1;
        Expect(Kelm()->GetPartitionItems(Bstr(partition), Bstr(filter), kind, items.Out()), status, "GetPartitionItems " + partition);
        if (status == S_OK) Expect(Strings(items.get()), expected, "items of " + partition + " '" + filter + "'");
        Expect(Kelm()->GetPartitionItemsCount(Bstr(partition), Bstr(filter), kind, &count), status, "GetPartitionItemsCount");
        Expect(count, status != S_OK ? 0 : filter == "*" ? all : static_cast<long>(expected.size()), "count of " + partition + " '" + filter + "'");
    }
    std::mt19937 m_random;
    TempLibrary m_library;
    std::vector<ComPtr<IKelm>> m_sessions;
    int m_active = 0;
    Model m_model;
    Names m_numbers, m_cells, m_symbols;
    std::deque<std::string> m_trail;
};
std::uint32_t EnvNumber(const char* name, std::uint32_t fallback) {
    const char* text = std::getenv(name);
    return text && *text ? static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10)) : fallback;
}

TEST(LibraryModel, RandomOperationsOfTwoSessionsAgreeWithTheModel) {
    const std::uint32_t seed = EnvNumber("KELM_MODEL_SEED", std::random_device{}());
    const int steps = static_cast<int>(EnvNumber("KELM_MODEL_STEPS", 400));
    SCOPED_TRACE("KELM_MODEL_SEED=" + std::to_string(seed) + " KELM_MODEL_STEPS=" + std::to_string(steps));
    ModelRun(seed).Run(steps);
}
}  // namespace

// KelmAPI beside an SQLite reference: the large library of LargeLibrary.h
// written both ways, the same questions asked of both in the same run, and
// one table: operation | KelmAPI | SQLite | ratio (KelmAPI / SQLite; 1.0 or
// less means KelmAPI is as fast or as small).
//
// KelmAPI is called through IKelm as a client calls it. The generator opens
// the new library once and asks one library-wide question (not timed), so
// that its indexes exist as they do after any save: the derivation of the
// indexes of a library written behind the store is a one-off, not a first
// lookup. A "first" case opens a fresh session on each side (not timed) and
// times its first question, seven times (the median); a "warm" case asks
// 1,000 random questions in the last of those sessions. Peak memory is
// measured in a child process of each kind that opens the library and makes
// one library-wide lookup (VmHWM, Linux only).
//
//   kelm_sqlite_reference_bench [LargeLibrary.h options] [--scaling] [--generate]
//     --scaling   runs at 1/4, 1/2, 1 and 2 times the size given
//     --generate  writes the library (and Bench.sqlite beside it) and stops
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "BenchSupport.h"
#include "LargeLibrary.h"
#include "SqliteReference.h"
#include "kelmapi/kelmapi.h"
#include "platform/CodePage.h"
#include "util/AutoTypes.h"

using namespace kelm;
using kelm::bench::Numbered;
using kelm::bench::Bstr;
using kelm::bench::Elements;
using kelm::bench::Ok;
using kelm::bench::Sqlite;

namespace {

ComPtr<IKelm> OpenKelm(const std::string& file) {
    ComPtr<IClassFactory> factory;
    ComPtr<IKelm> kelm;
    if (FAILED(DllGetClassObject(CLSID_Kelm, IID_IClassFactory, factory.OutVoid())) ||
        FAILED(factory->CreateInstance(nullptr, IID_IKelm, kelm.OutVoid())) ||
        !Ok(kelm->Kelmstore_Open(Bstr(file), Bstr("bench"), VARIANT_FALSE), "Kelmstore_Open"))
        std::exit(1);
    return kelm;
}

template <typename Work>
double Seconds(int repetitions, Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < repetitions; ++i)
        if (!work()) std::fprintf(stderr, "a case gave a wrong answer\n");
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / repetitions;
}

// One side of a write row: the timed call, and what runs untimed after it
// (to undo it, so that the next call does the same).
struct Write {
    std::function<bool()> work, between;
};

// The median times of `repetitions` calls on each side, the calls of the
// two sides taken in turn: the disk is shared, and a busy moment then
// falls on both sides alike rather than deciding one of them.
std::pair<double, double> Medians(int repetitions, const Write& kelmSide, const Write& sqliteSide) {
    std::vector<double> times[2];
    for (int i = 0; i < repetitions; ++i) {
        for (int side = 0; side < 2; ++side) {
            const Write& write = side == 0 ? kelmSide : sqliteSide;
            times[side].push_back(Seconds(1, write.work));
            if (write.between && !write.between()) std::fprintf(stderr, "a case could not be undone\n");
        }
    }
    for (auto& list : times) std::sort(list.begin(), list.end());
    if (repetitions <= 0) return {0, 0};
    return {times[0][times[0].size() / 2], times[1][times[1].size() / 2]};
}

// The peak resident memory of this process in bytes (VmHWM); 0 where unknown.
double PeakMemory() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) * 1024;
    return 0;
}

// The SQL of each question; ?1 is the item.
constexpr const char* kPartitionOfPart = "SELECT p.name FROM parts t JOIN partitions p ON p.id = t.partition WHERE t.number = ?1";
constexpr const char* kPartsUsingCell = "SELECT number FROM part_cells WHERE cell = ?1 ORDER BY number";
constexpr const char* kPartitionOfSymbol =
    "SELECT p.name FROM symbols s JOIN scheme_partitions sp ON sp.partition = s.partition AND sp.scheme = '(Default)'"
    " JOIN partitions p ON p.id = s.partition WHERE s.name = ?1 ORDER BY sp.position LIMIT 1";
constexpr const char* kPartitionOfCell =
    "SELECT p.name FROM cells c JOIN partitions p ON p.id = c.partition WHERE c.name = ?1 ORDER BY p.name COLLATE NOCASE LIMIT 1";
constexpr const char* kPinsOfCell = "SELECT pins FROM cells WHERE name = ?1 LIMIT 1";
constexpr const char* kPartExists = "SELECT 1 FROM parts WHERE number = ?1";
constexpr const char* kCellInDefaultScheme =
    "SELECT 1 FROM cells c JOIN scheme_partitions sp ON sp.partition = c.partition AND sp.scheme = '(Default)'"
    " WHERE c.name = ?1 LIMIT 1";
constexpr const char* kFilteredListing =
    "SELECT number FROM parts WHERE partition = (SELECT id FROM partitions WHERE kind = 7 AND name = ?1 COLLATE NOCASE)"
    " AND number LIKE ?2 ORDER BY number COLLATE NOCASE";

int ChildMemory(const std::string& kind, const std::string& file, const std::string& number) {
    std::string answer;
    if (kind == "kelm") {
        ComPtr<IKelm> kelm = OpenKelm(file);
        AutoBstr partition;
        if (!Ok(kelm->FindItemPartition(Bstr(number), KelmEnum_ObjType_PartType, partition.Out()), "FindItemPartition")) return 1;
    } else {
        Sqlite db(file);
        if (db.Rows(db.Prepare(kPartitionOfPart), &answer, number) != 1) return 1;
    }
    std::printf("%.0f\n", PeakMemory());
    return 0;
}

// Runs this program again as a child that measures its own peak memory.
double MeasureInChild(const char* self, const std::string& kind, const std::string& file, const std::string& number,
                      const std::string& folder) {
    const std::string out = folder + "/memory-" + kind + ".txt";
    const std::string command = "\"" + std::string(self) + "\" --memory-child " + kind + " \"" + file + "\" " + number + " > \"" + out + "\"";
    if (std::system(command.c_str()) != 0) return 0;
    std::ifstream in(out);
    double bytes = 0;
    in >> bytes;
    return bytes;
}

struct Row {
    std::string operation;
    double kelm = 0, sqlite = 0;
    bool bytes = false;
};

std::string Show(double value, bool bytes) {
    if (value <= 0) return "n/a";
    char text[32];
    if (bytes) std::snprintf(text, sizeof text, "%.1f MB", value / (1024 * 1024));
    else if (value >= 1) std::snprintf(text, sizeof text, "%.2f s", value);
    else if (value >= 1e-3) std::snprintf(text, sizeof text, "%.2f ms", value * 1e3);
    else std::snprintf(text, sizeof text, "%.2f us", value * 1e6);
    return text;
}

void Print(const std::vector<Row>& rows) {
    std::printf("| %-70s | %10s | %10s | %8s |\n", "operation", "KelmAPI", "SQLite", "ratio");
    std::printf("|%s|%s|%s|%s|\n", std::string(72, '-').c_str(), std::string(12, '-').c_str(), std::string(12, '-').c_str(),
                std::string(10, '-').c_str());
    for (const Row& row : rows) {
        char ratio[32] = "n/a";
        if (row.kelm > 0 && row.sqlite > 0) std::snprintf(ratio, sizeof ratio, "%.3g", row.kelm / row.sqlite);
        std::printf("| %-70s | %10s | %10s | %8s |\n", row.operation.c_str(), Show(row.kelm, row.bytes).c_str(),
                    Show(row.sqlite, row.bytes).c_str(), ratio);
    }
    std::fflush(stdout);
}

int RunOnce(const bench::LibrarySize& o, const char* self) {
    const std::string file = bench::GenerateLibrary(o);
    const std::string sqliteFile = o.folder + "/Bench.sqlite";
    if (!o.reuse && !bench::GenerateSqliteLibrary(o, sqliteFile)) return 1;

    std::mt19937 random(7);
    auto any = [&](int count) { return static_cast<int>(random() % static_cast<unsigned>(count)); };
    const auto somePart = [&] { return Numbered("P", any(o.parts)); };
    const auto someCell = [&] { return Numbered("CELL", any(o.cells), 5); };
    const auto someSymbol = [&] { return Numbered("SYM", any(o.symbols), 5); };
    const std::string lastPart = Numbered("P", o.parts - 1), lastCell = Numbered("CELL", o.cells - 1, 5),
                      lastSymbol = Numbered("SYM", o.symbols - 1, 5), usedCell = Numbered("CELL", 7, 5);
    const KelmEnum_ObjType part = KelmEnum_ObjType_PartType, cell = KelmEnum_ObjType_Cell, symbol = KelmEnum_ObjType_LogicSymbol;
    const Bstr empty("");
    std::vector<Row> rows;

    // One kind of question, asked first in fresh sessions and then warm.
    struct Question {
        std::string name;
        const char* sql;
        std::function<bool(IKelm&, const std::string&)> kelm;
        std::string first;
        std::function<std::string()> some;
    };
    const std::vector<Question> questions{
        {"partition of a part (FindItemPartition)", kPartitionOfPart,
         [&](IKelm& k, const std::string& item) {
             AutoBstr name;
             return SUCCEEDED(k.FindItemPartition(Bstr(item), part, name.Out()));
         },
         lastPart, somePart},
        {"parts using a cell (GetPartsUsingThisCell)", kPartsUsingCell,
         [&](IKelm& k, const std::string& item) {
             AutoSafeArray parts;
             return SUCCEEDED(k.GetPartsUsingThisCell(Bstr(item), parts.Out()));
         },
         usedCell, someCell},
        {"FindItemPartition, symbol", kPartitionOfSymbol,
         [&](IKelm& k, const std::string& item) {
             AutoBstr name;
             return SUCCEEDED(k.FindItemPartition(Bstr(item), symbol, name.Out()));
         },
         lastSymbol, someSymbol},
        {"FindItemPartition, cell", kPartitionOfCell,
         [&](IKelm& k, const std::string& item) {
             AutoBstr name;
             return SUCCEEDED(k.FindItemPartition(Bstr(item), cell, name.Out()));
         },
         lastCell, someCell},
        {"pins of a cell (GetPinCount)", kPinsOfCell,
         [&](IKelm& k, const std::string& item) {
             long pins = 0;
             return SUCCEEDED(k.GetPinCount(empty, Bstr(item), cell, &pins)) && pins == 4;
         },
         lastCell, someCell},
        {"DoesItemExist, part", kPartExists,
         [&](IKelm& k, const std::string& item) {
             VARIANT_BOOL exists = VARIANT_FALSE;
             return SUCCEEDED(k.DoesItemExist(empty, empty, Bstr(item), part, &exists)) && exists;
         },
         lastPart, somePart},
        {"DoesItemExist, cell (default scheme)", kCellInDefaultScheme,
         [&](IKelm& k, const std::string& item) {
             VARIANT_BOOL exists = VARIANT_FALSE;
             return SUCCEEDED(k.DoesItemExist(empty, empty, Bstr(item), cell, &exists)) && exists;
         },
         lastCell, someCell},
    };
    constexpr int kFresh = 7;
    for (const Question& q : questions) {
        ComPtr<IKelm> kelm;
        std::unique_ptr<Sqlite> db;
        const auto openKelm = [&] {
            kelm = OpenKelm(file);
            return kelm.get() != nullptr;
        };
        const auto openSqlite = [&] {
            db = std::make_unique<Sqlite>(sqliteFile);
            db->Exec("PRAGMA schema_version");  // the schema is read on opening, as Kelmstore_Open reads the configuration
            return true;
        };
        openKelm();
        openSqlite();
        Row first{"first: " + q.name + " (median of " + std::to_string(kFresh) + " sessions)"},
            warm{"warm: " + q.name + " (per call, 1,000)"};
        std::tie(first.kelm, first.sqlite) = Medians(kFresh, {[&] { return q.kelm(*kelm.get(), q.first); }, openKelm},
                                                     {[&] { return db->Rows(db->Prepare(q.sql), nullptr, q.first) > 0; }, openSqlite});
        std::vector<std::string> items;
        for (int i = 0; i < 1000; ++i) items.push_back(q.some());
        std::size_t next = 0;
        warm.kelm = Seconds(1000, [&] { return q.kelm(*kelm.get(), items[next++ % items.size()]); });
        sqlite3_stmt* statement = db->Prepare(q.sql);
        warm.sqlite = Seconds(1000, [&] { return db->Rows(statement, nullptr, items[next++ % items.size()]) > 0; });
        rows.push_back(first);
        rows.push_back(warm);
    }

    // The writes, in one session on each side, one after another.
    ComPtr<IKelm> kelm = OpenKelm(file);
    Sqlite db(sqliteFile);
    db.Exec("PRAGMA synchronous=FULL");
    {
        const std::string listed = Numbered("Parts", o.partPartitions / 2, 3), like = "P01%";
        const Bstr partition(listed), filter("P01*");
        Row row{"filtered listing 'P01*' of a " + std::to_string(o.parts / o.partPartitions) + "-item partition (per call, 100)"};
        AutoSafeArray items;
        row.kelm = Seconds(100, [&] { return SUCCEEDED(kelm->GetPartitionItems(partition, filter, part, items.Out())); });
        sqlite3_stmt* statement = db.Prepare(kFilteredListing);
        row.sqlite = Seconds(100, [&] { return db.Rows(statement, nullptr, listed, like) >= 0; });
        rows.push_back(row);
    }
    {
        // The client's records are built before the clock starts, on both
        // sides. Each run imports other numbers into a new partition of its
        // own; the runs alternate between the sides and the median counts.
        constexpr int kImported = 10000, kRuns = 5;
        std::vector<AutoBstr> texts;
        std::vector<std::vector<KelmStruct_PartType>> records(kRuns, std::vector<KelmStruct_PartType>(kImported));
        std::vector<std::vector<std::string>> numbers(kRuns);
        auto text = [&](const std::string& value) {
            texts.emplace_back(platform::AnsiToBstr(value));
            return texts.back().get();
        };
        AutoSafeArray cellPins(SafeArrayCreateVector(VT_BSTR, 0, 4)), symbolPins(SafeArrayCreateVector(VT_BSTR, 0, 2));
        for (LONG i = 0; i < 4; ++i) SafeArrayPutElement(cellPins.get(), &i, text(std::to_string(i + 1)));
        for (LONG i = 0; i < 2; ++i) SafeArrayPutElement(symbolPins.get(), &i, text(i ? "B" : "A"));
        KelmStruct_Cell cellRecord{0, nullptr, nullptr, text("CELL00001"), cellPins.get()};
        KelmStruct_LogicSymbol symbolRecord{0, nullptr, text("Symbols000:SYM00001"), text("SYM00001"), symbolPins.get()};
        SAFEARRAY cellArray{}, symbolArray{};
        for (auto [array, size, data] : {std::tuple{&cellArray, sizeof cellRecord, static_cast<void*>(&cellRecord)},
                                         std::tuple{&symbolArray, sizeof symbolRecord, static_cast<void*>(&symbolRecord)}}) {
            array->cDims = 1;
            array->fFeatures = FADF_RECORD | FADF_STATIC;
            array->cbElements = static_cast<ULONG>(size);
            array->pvData = data;
            array->rgsabound[0].cElements = 1;
        }
        for (int run = 0; run < kRuns; ++run) {
            for (int i = 0; i < kImported; ++i) {
                numbers[run].push_back(Numbered(("NEW" + std::to_string(run) + "-").c_str(), i));
                const std::string& number = numbers[run].back();
                records[run][i] = {1700000000, nullptr, nullptr, text(number), text("Imported part"), text("U?"), text("IC"),
                                   text("Imported part type " + number), nullptr, &symbolArray, &cellArray};
            }
        }
        sqlite3_stmt* insertPart = db.Prepare("INSERT INTO parts VALUES(?1, (SELECT id FROM partitions WHERE kind = 7 AND name = ?2),"
                                              " 'Imported part', 'U?', ?3, 'IC', 1700000000, '1,2,3,4')");
        sqlite3_stmt* insertCell = db.Prepare("INSERT INTO part_cells VALUES('CELL00001', ?1)");
        sqlite3_stmt* insertSymbol = db.Prepare("INSERT INTO part_symbols VALUES(?1, 'Symbols000:SYM00001', 'A,B')");
        int kelmRun = 0, sqliteRun = 0;
        Row row{"import 10,000 part types + save (new partition, reserved; median of " + std::to_string(kRuns) + ")"};
        std::tie(row.kelm, row.sqlite) = Medians(
            kRuns,
            {[&] {
                const int run = kelmRun++;
                const Bstr imported("Imported" + std::to_string(run));
                if (!Ok(kelm->AddPartition(imported, part, VARIANT_TRUE), "AddPartition") ||
                    !Ok(kelm->ReservePartition(imported, part), "ReservePartition"))
                    return false;
                for (KelmStruct_PartType& record : records[run])
                    if (!Ok(kelm->AddItemToQVM_Part(imported, &record, VARIANT_FALSE), "AddItemToQVM_Part")) return false;
                return Ok(kelm->SaveQVM(), "SaveQVM");
            }},
            {[&] {
                const int run = sqliteRun++;
                const std::string imported = "Imported" + std::to_string(run);
                const std::string begin = "BEGIN IMMEDIATE; INSERT INTO partitions(kind, name, holder) VALUES(7, '" + imported +
                                          "', 'bench'); INSERT INTO scheme_partitions VALUES('(Default)', (SELECT max(position) + 1"
                                          " FROM scheme_partitions), (SELECT id FROM partitions WHERE kind = 7 AND name = '" +
                                          imported + "'));";
                if (!db.Exec(begin.c_str())) return false;
                for (const std::string& number : numbers[run]) {
                    const std::string description = "Imported part type " + number;
                    if (db.Rows(insertPart, nullptr, number, imported, description) < 0 || db.Rows(insertCell, nullptr, number) < 0 ||
                        db.Rows(insertSymbol, nullptr, number) < 0)
                        return false;
                }
                return db.Exec("COMMIT");
            }});
        rows.push_back(row);
    }
    {
        // Each write is timed kWrites times on both sides, and the median
        // reported: one slow flush on a shared disk does not decide a row.
        // Releases and reservations between the timed calls are not timed.
        constexpr int kWrites = 21;
        const int writes = std::min(kWrites, o.partPartitions - 1);
        const Bstr partition("Parts001");
        Row row{"reserve a partition (median of " + std::to_string(kWrites) + ")"};
        std::tie(row.kelm, row.sqlite) = Medians(
            kWrites,
            {[&] { return Ok(kelm->ReservePartition(partition, part), "ReservePartition"); },
             [&] { return Ok(kelm->UnReservePartition(partition, part), "UnReservePartition"); }},
            {[&] {
                 return db.Exec("UPDATE partitions SET holder = 'bench' WHERE kind = 7 AND name = 'Parts001' COLLATE NOCASE"
                                " AND (holder IS NULL OR holder = 'bench')");
             },
             [&] { return db.Exec("UPDATE partitions SET holder = NULL WHERE kind = 7 AND name = 'Parts001' COLLATE NOCASE"); }});
        rows.push_back(row);

        // Part type n lives in partition n % partPartitions: the first delete
        // in each of `writes` partitions (reserved before, not timed), then
        // further deletes in Parts001, whose part-file journal exists then.
        const auto deleteOnSqlite = [&](const std::string& number) {
            const std::string sql = "BEGIN IMMEDIATE; DELETE FROM part_cells WHERE number = '" + number +
                                    "'; DELETE FROM part_symbols WHERE number = '" + number + "'; DELETE FROM parts WHERE number = '" +
                                    number + "'; COMMIT";
            return db.Exec(sql.c_str());
        };
        const auto deleteTimes = [&](const std::function<std::string(int)>& partitionOf, const std::function<std::string(int)>& numberOf,
                                     Row& into) {
            VARIANT_BOOL missing = VARIANT_FALSE;
            int kelmNext = 0, sqliteNext = 0;
            std::tie(into.kelm, into.sqlite) = Medians(
                writes,
                {[&] {
                     const int i = kelmNext++;
                     return Ok(kelm->DeleteItemFromQVM(Bstr(partitionOf(i)), Bstr(numberOf(i)), part, &missing),
                               "DeleteItemFromQVM");
                 }},
                {[&] { return deleteOnSqlite(numberOf(sqliteNext++)); }});
        };
        for (int i = 0; i < writes; ++i)
            if (!Ok(kelm->ReservePartition(Bstr(Numbered("Parts", 1 + i, 3)), part), "ReservePartition")) return 1;
        Row first{"delete one part type + save (DeleteItemFromQVM, median of " + std::to_string(writes) + ")"};
        deleteTimes([&](int i) { return Numbered("Parts", 1 + i, 3); }, [&](int i) { return Numbered("P", 1 + i); }, first);
        rows.push_back(first);
        Row again{"delete another part type of that partition + save (median of " + std::to_string(writes) + ")"};
        deleteTimes([&](int) { return std::string("Parts001"); }, [&](int i) { return Numbered("P", 1 + (i + 1) * o.partPartitions); },
                    again);
        rows.push_back(again);
    }
    rows.push_back({"peak memory: open + one library-wide lookup (VmHWM)", MeasureInChild(self, "kelm", file, lastPart, o.folder),
                    MeasureInChild(self, "sqlite", sqliteFile, lastPart, o.folder), true});
    Print(rows);
    kelm.reset();
    bench::RemoveLibrary(o);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--memory-child") return ChildMemory(argv[2], argv[3], argv[4]);
    bool scaling = false, generate = false;
    std::vector<char*> rest{argv[0]};
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--scaling") scaling = true;
        else if (arg == "--generate") generate = true;
        else rest.push_back(argv[i]);
    }
    bench::LibrarySize o;
    if (!o.Parse(static_cast<int>(rest.size()), rest.data())) {
        std::fprintf(stderr, "usage: see the comments at the top of bench/sqlite_reference_bench.cpp and bench/LargeLibrary.h\n");
        return 2;
    }
    if (generate) {
        o.keep = true;
        bench::GenerateLibrary(o);
        return bench::GenerateSqliteLibrary(o, o.folder + "/Bench.sqlite") ? 0 : 1;
    }
    if (!scaling) return RunOnce(o, argv[0]);
    int result = 0;
    for (const double factor : {0.25, 0.5, 1.0, 2.0}) {
        bench::LibrarySize scaled = o;
        auto scale = [&](int value) { return std::max(1, static_cast<int>(value * factor)); };
        scaled.parts = scale(o.parts);
        scaled.partPartitions = scale(o.partPartitions);
        scaled.cells = scale(o.cells);
        scaled.cellPartitions = scale(o.cellPartitions);
        scaled.symbols = scale(o.symbols);
        scaled.symbolPartitions = scale(o.symbolPartitions);
        scaled.folder = o.folder + "/x" + std::to_string(factor).substr(0, 4);
        std::printf("\n### %g x the library\n", factor);
        result |= RunOnce(scaled, argv[0]);
    }
    bench::RemoveLibrary(o);
    return result;
}

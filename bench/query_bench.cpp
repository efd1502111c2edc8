// The query methods of IKelm, called on a Kelm object as a client calls
// them, on the large library of LargeLibrary.h (same options).
#include <random>
#include <string>

#include "BenchSupport.h"
#include "BenchTable.h"
#include "LargeLibrary.h"
#include "kelmapi/kelmapi.h"
#include "util/AutoTypes.h"

using namespace kelm;
using namespace kelm::bench;

int main(int argc, char** argv) {
    bench::LibrarySize o;
    const std::string file = bench::LibraryOfCommandLine(argc, argv, o);
    if (file.empty()) return 2;

    IClassFactory* factory = nullptr;
    IKelm* kelm = nullptr;
    if (FAILED(DllGetClassObject(CLSID_Kelm, IID_IClassFactory, reinterpret_cast<void**>(&factory))) ||
        FAILED(factory->CreateInstance(nullptr, IID_IKelm, reinterpret_cast<void**>(&kelm)))) {
        std::fprintf(stderr, "cannot create a Kelm object\n");
        return 1;
    }
    factory->Release();

    std::mt19937 random(7);
    auto any = [&](int count) { return static_cast<int>(random() % static_cast<unsigned>(count)); };
    const KelmEnum_ObjType part = KelmEnum_ObjType_PartType, cell = KelmEnum_ObjType_Cell,
                           symbol = KelmEnum_ObjType_LogicSymbol;
    const int partsPer = o.parts / o.partPartitions, cellsPer = o.cells / o.cellPartitions,
              symbolsPer = o.symbols / o.symbolPartitions;
    const Bstr partPartition(Numbered("Parts", o.partPartitions / 2, 3));
    const Bstr cellPartition(Numbered("Cells", o.cellPartitions / 2, 3));
    const Bstr symbolPartition(Numbered("Symbols", o.symbolPartitions / 2, 3));
    const Bstr all("*"), partFilter("P01*"), cellFilter("CELL01*"), symbolFilter("SYM01*"), empty("");
    AutoSafeArray array;
    AutoBstr name;
    long count = 0;
    VARIANT_BOOL exists = VARIANT_FALSE;

    // A listing case: GetPartitionItems, or GetPartitionItemsCount, gives `expected` items (-1: any number).
    auto items = [&](const Bstr& partition, const Bstr& filter, KelmEnum_ObjType kind, long expected) {
        return [&, kind, expected] {
            return Ok(kelm->GetPartitionItems(partition, filter, kind, array.Out()), "GetPartitionItems") &&
                   (expected < 0 || Elements(array.get()) == expected);
        };
    };
    auto itemCount = [&](const Bstr& partition, const Bstr& filter, KelmEnum_ObjType kind, long expected) {
        return [&, kind, expected] {
            return Ok(kelm->GetPartitionItemsCount(partition, filter, kind, &count), "GetPartitionItemsCount") &&
                   (expected < 0 || count == expected);
        };
    };
    auto find = [&](const std::string& item, KelmEnum_ObjType kind) {
        return Ok(kelm->FindItemPartition(Bstr(item), kind, name.Out()), "FindItemPartition") && name.get();
    };
    const auto somePart = [&] { return Numbered("P", any(o.parts)); };
    const auto someCell = [&] { return Numbered("CELL", any(o.cells), 5); };
    const auto someSymbol = [&] { return Numbered("SYM", any(o.symbols), 5); };

    bench::BenchTable table;
    const std::string perPart = " (" + std::to_string(partsPer) + " part types)";
    table.Add("Kelmstore_Open (read-write)", 20e-3, [&] {
        return Ok(kelm->Kelmstore_Open(Bstr(file), Bstr("bench"), VARIANT_FALSE), "Kelmstore_Open");
    });
    table.Add("GetPartitionItems, first use" + perPart, 0, items(partPartition, all, part, partsPer));
    table.Add("GetPartitionItems '*'" + perPart, 2e-3, items(partPartition, all, part, partsPer), 100);
    table.Add("GetPartitionItems 'P01*'" + perPart, 2e-3, items(partPartition, partFilter, part, -1), 100);
    table.Add("GetPartitionItemsCount '*'" + perPart, 2e-3, itemCount(partPartition, all, part, partsPer), 100);
    table.Add("GetPartitionItemsCount 'P01*'" + perPart, 2e-3, itemCount(partPartition, partFilter, part, -1), 100);
    table.Add("GetPartitionItems 'CELL01*' (" + std::to_string(cellsPer) + " cells)", 2e-3,
              items(cellPartition, cellFilter, cell, -1), 100);
    table.Add("GetPartitionItems 'SYM01*' (" + std::to_string(symbolsPer) + " symbols)", 2e-3,
              items(symbolPartition, symbolFilter, symbol, -1), 100);
    table.Add("FindItemPartition part type, first (library-wide)", 300e-3, [&] { return find(Numbered("P", o.parts - 1), part); });
    table.Add("FindItemPartition part type (per call, 1,000)", 5e-6, [&] { return find(somePart(), part); }, 1000);
    table.Add("FindItemPartition cell, first (every cell partition)", 300e-3, [&] { return find(Numbered("CELL", 0, 5), cell); });
    table.Add("FindItemPartition cell (per call, 1,000)", 5e-6, [&] { return find(someCell(), cell); }, 1000);
    table.Add("FindItemPartition symbol, first (scheme's symbol partitions)", 300e-3,
              [&] { return find(Numbered("SYM", 0, 5), symbol); });
    table.Add("FindItemPartition symbol (per call, 1,000; " + std::to_string(o.symbolPartitions) + " partitions)", 50e-6,
              [&] { return find(someSymbol(), symbol); }, 1000);
    table.Add("DoesItemExist part type, default scheme (per call, 1,000)", 5e-6, [&] {
        return Ok(kelm->DoesItemExist(empty, empty, Bstr(somePart()), part, &exists), "DoesItemExist") && exists;
    }, 1000);
    table.Add("DoesItemExist cell, default scheme (per call, 1,000; " + std::to_string(o.cellPartitions) + " partitions)",
              50e-6, [&] {
        return Ok(kelm->DoesItemExist(empty, empty, Bstr(someCell()), cell, &exists), "DoesItemExist") && exists;
    }, 1000);
    table.Add("GetPartsUsingThisCell, first (library-wide)", 300e-3, [&] {
        return Ok(kelm->GetPartsUsingThisCell(Bstr(Numbered("CELL", 7, 5)), array.Out()), "GetPartsUsingThisCell") &&
               Elements(array.get()) > 0;
    });
    table.Add("GetPartsUsingThisCell (per call, 1,000)", 5e-6, [&] {
        return Ok(kelm->GetPartsUsingThisCell(Bstr(someCell()), array.Out()), "GetPartsUsingThisCell");
    }, 1000);
    const int result = table.Run();
    array.reset();
    name.reset();
    kelm->Kelmstore_Close();
    kelm->Release();
    bench::RemoveLibrary(o);
    return result;
}

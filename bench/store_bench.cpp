// The library store classes on a large library (see LargeLibrary.h for its
// size and the options).
#include <random>
#include <string>

#include "BenchSupport.h"
#include "BenchTable.h"
#include "LargeLibrary.h"
#include "store/file/FileStore.h"
#include "store/items/KelmCell.h"
#include "store/items/KelmPart.h"
#include "store/items/KelmSchemePartition.h"
#include "store/items/KelmSymbol.h"

using namespace kelm;
using namespace kelm::store;
using namespace kelm::bench;

int main(int argc, char** argv) {
    bench::LibrarySize o;
    const std::string file = bench::LibraryOfCommandLine(argc, argv, o);
    if (file.empty()) return 2;

    KelmServer server(nullptr, CreateFileStoreBackend());
    KelmSchemePartition partitions(server);
    KelmPart parts(server, nullptr);
    parts.SetWorkingUserName("bench");
    KelmCell cells(server, nullptr, nullptr);
    std::mt19937 random(7);
    std::string partition;
    StringList list;
    const int perPartition = o.parts / o.partPartitions;

    bench::BenchTable table;
    table.Add("open (Load, read-write)", 20e-3, [&] { return Ok(server.Load(file.c_str(), 0), "Load", server); });
    const std::string listed = Numbered("Parts", o.partPartitions / 2, 3);
    table.Add("list one partition (" + std::to_string(perPartition) + " part types, first use)", 0, [&] {
        return Ok(parts.GetPartsInPartition(list, listed), "GetPartsInPartition", server) &&
               static_cast<int>(list.size()) == perPartition;
    });
    table.Add("first library-wide lookup: partition of a part", 300e-3, [&] {
        return Ok(parts.GetPartition(partition, Numbered("P", o.parts - 1)), "GetPartition", server) && !partition.empty();
    });
    table.Add("first library-wide lookup: parts using a cell", 300e-3, [&] {
        return Ok(cells.GetPartNumbers(list, "CELL00007"), "GetPartNumbers", server) && !list.empty();
    });
    table.Add("warm lookup: partition of a part (per lookup, 1,000)", 5e-6, [&] {
        return Ok(parts.GetPartition(partition, Numbered("P", static_cast<int>(random() % o.parts))), "GetPartition", server) &&
               !partition.empty();
    }, 1000);
    table.Add("warm lookup: parts using a cell (per lookup, 1,000)", 5e-6, [&] {
        return Ok(cells.GetPartNumbers(list, Numbered("CELL", static_cast<int>(random() % o.cells), 5)), "GetPartNumbers", server);
    }, 1000);
    table.Add("first cell lookup: pins of a cell (reads every cell partition)", 300e-3, [&] {
        return Ok(cells.GetPinNames(list, Numbered("CELL", o.cells - 1, 5)), "GetPinNames", server);
    });
    table.Add("warm lookup: pins of a cell (per lookup, 1,000)", 5e-6, [&] {
        return Ok(cells.GetPinNames(list, Numbered("CELL", static_cast<int>(random() % o.cells), 5)), "GetPinNames", server);
    }, 1000);
    table.Add("import 10,000 part types and save", 1.0, [&] {
        partitions.InitPartitionType(kPartitionTypePart);
        if (!Ok(partitions.AddPartition("Imported", 1), "AddPartition", server)) return false;
        if (!Ok(partitions.ReservePartition("Imported", "bench"), "ReservePartition", server)) return false;
        for (int i = 0; i < 10000; ++i) {
            const std::string number = Numbered("NEW", i);
            if (!Ok(parts.Add("Imported", {"1", "2"}, number, nullptr, 0, 0), "Add", server)) return false;
            parts.SetName("Imported part", number);
            parts.SetDesc("Imported part type " + number, number);
            parts.SetTimestamp(1700000000, number);
            parts.AddCell("CELL00001", number);
            parts.AddSymbol("Symbols000:SYM00001", {"A", "B"}, number);
        }
        return Ok(server.Save(nullptr, 0, 0), "Save", server);
    });
    table.Add("reserve a partition", 0, [&] {
        return Ok(partitions.ReservePartition("Parts001", "bench"), "ReservePartition", server);
    });
    table.Add("delete one part type and save", 10e-3, [&] {
        return Ok(parts.Delete(Numbered("P", 1)), "Delete", server) && Ok(server.Save(nullptr, 0, 0), "Save", server);
    });
    table.Add("reload (Load(null, 1))", 20e-3, [&] { return Ok(server.Load(nullptr, 1), "reload", server); });
    table.Add("first library-wide lookup after reload", 300e-3, [&] {
        return Ok(parts.GetPartition(partition, "NEW000001"), "GetPartition", server) && partition == "Imported";
    });
    const int result = table.Run();
    bench::RemoveLibrary(o);
    return result;
}

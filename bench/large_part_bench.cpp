// One part type with very many pins, cells or symbols: importing it through
// the store classes, saving, reloading and counting must stay linear.
//
//   kelm_large_part_bench [count] [folder]    (count: 1000000 by default)
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "BenchSupport.h"
#include "BenchTable.h"
#include "LargeLibrary.h"
#include "store/file/FileStore.h"
#include "store/file/LibraryTools.h"
#include "store/items/KelmPart.h"
#include "store/items/KelmSchemePartition.h"

using namespace kelm;
using namespace kelm::store;
using namespace kelm::bench;

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const std::filesystem::path folder =
        argc > 2 ? std::filesystem::path(argv[2]) : std::filesystem::temp_directory_path() / "kelm-large-part-bench";
    if (count <= 0) {
        std::fprintf(stderr, "usage: kelm_large_part_bench [count] [folder]\n");
        return 2;
    }
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string file = (folder / "Large.qvm").generic_string();
    std::printf("One part type each with %d pins, %d cells, %d symbols in %s\n", count, count, count, file.c_str());

    auto server = std::make_unique<KelmServer>(nullptr, CreateFileStoreBackend());
    KelmSchemePartition partitions(*server);
    KelmPart parts(*server, nullptr);
    parts.SetWorkingUserName("bench");
    StringList names(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) names[static_cast<std::size_t>(i)] = Numbered("N", i, 7);

    bench::BenchTable table;
    table.Add("create the library and its partition", 0, [&] {
        partitions.InitPartitionType(kPartitionTypePart);
        return Ok(CreateLibrary(file), "CreateLibrary", *server) && Ok(server->Load(file.c_str(), 0), "Load", *server) &&
               Ok(partitions.AddPartition("Big", 1), "AddPartition", *server) &&
               Ok(partitions.ReservePartition("Big", "bench"), "ReservePartition", *server);
    });
    table.Add("add a part type with " + std::to_string(count) + " pins", 1.0, [&] {
        return Ok(parts.Add("Big", names, "PINS", nullptr, 0, 0), "Add", *server);
    });
    table.Add("add " + std::to_string(count) + " cells to a part type", 1.0, [&] {
        if (!Ok(parts.Add("Big", {"1", "2"}, "CELLS", nullptr, 0, 0), "Add", *server)) return false;
        for (const std::string& cell : names)
            if (!Ok(parts.AddCell(cell, "CELLS"), "AddCell", *server)) return false;
        return parts.AddCell(names.back(), "CELLS") == kAlreadyReferenced;
    });
    table.Add("add " + std::to_string(count) + " symbols to a part type", 1.0, [&] {
        if (!Ok(parts.Add("Big", {"1", "2"}, "SYMBOLS", nullptr, 0, 0), "Add", *server)) return false;
        for (const std::string& symbol : names)
            if (!Ok(parts.AddSymbol("Gates:" + symbol, {"A", "B"}, "SYMBOLS"), "AddSymbol", *server)) return false;
        return parts.AddSymbol("Gates:" + names.front(), {}, "SYMBOLS") == kAlreadyReferenced;
    });
    table.Add("save", 1.0, [&] { return Ok(server->Save(nullptr, 0, 0), "Save", *server); });
    table.Add("open again and count the partition", 1.0, [&] {
        server = std::make_unique<KelmServer>(nullptr, CreateFileStoreBackend());
        KelmSchemePartition reopened(*server);
        reopened.InitPartitionType(kPartitionTypePart);
        int items = 0;
        return Ok(server->Load(file.c_str(), 1), "Load", *server) &&
               Ok(reopened.GetNumObjectsInPartition("Big", items), "GetNumObjectsInPartition", *server) && items == 3;
    });
    table.Add("first library-wide lookup (scans the partition)", 1.0, [&] {
        KelmPart reopened(*server, nullptr);
        std::string partition;
        return Ok(reopened.GetPartition(partition, "CELLS"), "GetPartition", *server) && partition == "Big";
    });
    table.Add("pins of the part type (reads every record)", 1.0, [&] {
        KelmPart reopened(*server, nullptr);
        StringList pins;
        return Ok(reopened.GetPinNumbers(pins, "PINS"), "GetPinNumbers", *server) &&
               pins.size() == static_cast<std::size_t>(count);
    });
    const int result = table.Run();
    server.reset();
    std::filesystem::remove_all(folder);
    return result;
}

// The library store on a large library: generates one (by default 200,000
// part types in 100 partitions, 20,000 cells in 20 partitions, 10,000
// symbols in 10 partitions, 10 search schemes) and measures the store
// classes on it.
//
//   kelm_store_bench [--parts N] [--part-partitions N] [--cells N]
//                    [--cell-partitions N] [--symbols N] [--symbol-partitions N]
//                    [--schemes N] [--folder DIR] [--keep] [--reuse]
// --reuse measures a library generated before with --folder DIR --keep
// (its import and delete cases then need a fresh copy).
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "BenchTable.h"
#include "store/FileStore.h"
#include "store/KelmCell.h"
#include "store/KelmPart.h"
#include "store/KelmSchemePartition.h"
#include "store/KelmSymbol.h"
#include "store/LibraryConfig.h"
#include "store/PartitionFiles.h"

using namespace kelm;
using namespace kelm::store;

namespace {
struct Options {
    int parts = 200000, partPartitions = 100;
    int cells = 20000, cellPartitions = 20;
    int symbols = 10000, symbolPartitions = 10;
    int schemes = 10;
    std::string folder;
    bool keep = false;
    bool reuse = false;  // --reuse: use the library already in --folder
};

std::string Numbered(const char* prefix, int n, int width = 6) {
    char text[32];
    std::snprintf(text, sizeof text, "%s%0*d", prefix, width, n);
    return text;
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// Writes the library's files directly (generation is not measured).
std::string Generate(const Options& o) {
    const std::filesystem::path root(o.folder);
    std::filesystem::create_directories(root);
    LibraryConfig config;
    for (int p = 0; p < o.cellPartitions; ++p) {
        const std::string name = Numbered("Cells", p, 3);
        config.InsertPartition({kPartitionTypeCell, name});
        CellMap cells;
        for (int c = p; c < o.cells; c += o.cellPartitions) {
            CellRecord cell;
            cell.name = Numbered("CELL", c, 5);
            cell.pins = {"1", "2", "3", "4"};
            cell.timestamp = 1700000000;
            cell.padstacks = {"pad-a"};
            cells.emplace(cell.name, cell);
        }
        WriteText(root / "CellDBLibs" / (name + ".cells"), SerializeCellCatalog(cells));
        WriteText(root / "CellDBLibs" / (name + ".cel"), "{\"kelm\":\"celldb\",\"version\":1,\"lines\":0}\n");
    }
    for (int p = 0; p < o.partPartitions; ++p) {
        const std::string name = Numbered("Parts", p, 3);
        config.InsertPartition({kPartitionTypePart, name});
        PartMap parts;
        for (int n = p; n < o.parts; n += o.partPartitions) {
            PartRecord part;
            part.number = Numbered("P", n);
            part.pins = {"1", "2", "3", "4"};
            part.name = "Part " + part.number;
            part.label = "U?";
            part.description = "Generated part type " + part.number;
            part.type = "IC";
            part.timestamp = 1700000000;
            part.cells = {Numbered("CELL", n % (o.cells ? o.cells : 1), 5)};
            part.symbols = {{Numbered("Symbols", 0, 3) + ":" + Numbered("SYM", n % (o.symbols ? o.symbols : 1), 5), {"A", "B"}}};
            parts.emplace(part.number, part);
        }
        WriteText(root / "PartsDBLibs" / (name + ".pdb"), SerializePartFile(parts));
    }
    for (int p = 0; p < o.symbolPartitions; ++p) {
        const std::string name = Numbered("Symbols", p, 3);
        config.InsertPartition({kPartitionTypeSymbol, name});
        std::filesystem::create_directories(root / "SymbolLibs" / name / "sym");
        for (int s = p; s < o.symbols; s += o.symbolPartitions) {
            const std::string symbol = Numbered("SYM", s, 5);
            std::ofstream(root / "SymbolLibs" / name / "sym" / (symbol + ".1"), std::ios::binary)
                << SerializeSymbolFile(symbol, {"A", "B"});
        }
    }
    for (int s = 0; s < o.schemes; ++s) {
        SearchScheme scheme{s == 0 ? "(Default)" : Numbered("Scheme", s, 2), 1, {}};
        for (const PartitionId& id : config.partitions)
            if ((s == 0) || (std::hash<std::string>{}(id.name) + s) % 3 == 0)
                scheme.partitions.push_back(RelativePartitionPath(id.type, id.name));
        config.InsertScheme(scheme);
    }
    config.defaultScheme = "(Default)";
    const std::string file = (root / "Bench.qvm").generic_string();
    WriteText(file, SerializeLibraryConfig(config));
    return file;
}

bool Ok(HRESULT status, const char* what, KelmServer& server) {
    if (status >= 0) return true;
    std::fprintf(stderr, "%s failed: 0x%08X %s\n", what, static_cast<unsigned>(status), server.LastErrorText().c_str());
    return false;
}
}  // namespace

int main(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto number = [&](int& target) { if (i + 1 < argc) target = std::atoi(argv[++i]); };
        if (arg == "--parts") number(o.parts);
        else if (arg == "--part-partitions") number(o.partPartitions);
        else if (arg == "--cells") number(o.cells);
        else if (arg == "--cell-partitions") number(o.cellPartitions);
        else if (arg == "--symbols") number(o.symbols);
        else if (arg == "--symbol-partitions") number(o.symbolPartitions);
        else if (arg == "--schemes") number(o.schemes);
        else if (arg == "--folder" && i + 1 < argc) o.folder = argv[++i];
        else if (arg == "--keep") o.keep = true;
        else if (arg == "--reuse") o.reuse = o.keep = true;
        else {
            std::fprintf(stderr, "usage: see the comment at the top of store_bench.cpp\n");
            return 2;
        }
    }
    if (o.partPartitions < 1 || o.cellPartitions < 1 || o.symbolPartitions < 0 || o.parts < 2 * o.partPartitions) {
        std::fprintf(stderr, "sizes out of range\n");
        return 2;
    }
    if (o.folder.empty())
        o.folder = (std::filesystem::temp_directory_path() / ("kelm-bench-" + std::to_string(std::random_device{}()))).string();
    std::printf("Generating %d part types in %d partitions, %d cells in %d, %d symbols in %d, %d schemes in %s\n",
                o.parts, o.partPartitions, o.cells, o.cellPartitions, o.symbols, o.symbolPartitions, o.schemes,
                o.folder.c_str());
    const std::string file = o.reuse ? (std::filesystem::path(o.folder) / "Bench.qvm").generic_string() : Generate(o);

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
    table.Add("delete one part type and save", 10e-3, [&] {
        if (!Ok(partitions.ReservePartition("Parts001", "bench"), "ReservePartition", server)) return false;
        return Ok(parts.Delete(Numbered("P", 1)), "Delete", server) && Ok(server.Save(nullptr, 0, 0), "Save", server);
    });
    table.Add("reload (Load(null, 1))", 20e-3, [&] { return Ok(server.Load(nullptr, 1), "reload", server); });
    table.Add("first library-wide lookup after reload", 300e-3, [&] {
        return Ok(parts.GetPartition(partition, "NEW000001"), "GetPartition", server) && partition == "Imported";
    });
    const int result = table.Run();
    if (!o.keep) {
        std::error_code ignored;
        std::filesystem::remove_all(o.folder, ignored);
    }
    return result;
}

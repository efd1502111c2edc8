// The large library that the store and query benchmarks measure, written
// straight to disk and then opened once by the store, which derives its
// indexes as the first session on a new library does (neither is measured:
// the "first" lookups of the benchmarks are those of a session on a library
// whose indexes exist, as after any save): by default 200,000
// part types in 100 partitions, 20,000 cells in 20 partitions, 10,000
// symbols in 10 partitions and 10 search schemes; "(Default)" holds every
// partition. Options shared by the benchmarks:
//   [--parts N] [--part-partitions N] [--cells N] [--cell-partitions N]
//   [--symbols N] [--symbol-partitions N] [--schemes N] [--folder DIR]
//   [--keep] [--reuse]
// --reuse measures a library generated before with --folder DIR --keep
// (cases that change the library then need a fresh copy).
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>

#include "store/file/FileStore.h"
#include "store/format/LibraryConfig.h"
#include "store/format/PartitionFiles.h"
#include "store/items/KelmPart.h"
#include "store/items/KelmServer.h"

namespace kelm::bench {

struct LibrarySize {
    int parts = 200000, partPartitions = 100;
    int cells = 20000, cellPartitions = 20;
    int symbols = 10000, symbolPartitions = 10;
    int schemes = 10;
    std::string folder;
    bool keep = false;
    bool reuse = false;

    // Reads the options; false on an unknown one or sizes out of range.
    bool Parse(int argc, char** argv) {
        for (int i = 1; i < argc; ++i) {
            const std::string arg = argv[i];
            auto number = [&](int& target) { if (i + 1 < argc) target = std::atoi(argv[++i]); };
            if (arg == "--parts") number(parts);
            else if (arg == "--part-partitions") number(partPartitions);
            else if (arg == "--cells") number(cells);
            else if (arg == "--cell-partitions") number(cellPartitions);
            else if (arg == "--symbols") number(symbols);
            else if (arg == "--symbol-partitions") number(symbolPartitions);
            else if (arg == "--schemes") number(schemes);
            else if (arg == "--folder" && i + 1 < argc) folder = argv[++i];
            else if (arg == "--keep") keep = true;
            else if (arg == "--reuse") reuse = keep = true;
            else return false;
        }
        if (folder.empty())
            folder = (std::filesystem::temp_directory_path() / ("kelm-bench-" + std::to_string(std::random_device{}()))).string();
        return partPartitions >= 1 && cellPartitions >= 1 && symbolPartitions >= 1 && parts >= 2 * partPartitions &&
               cells >= cellPartitions && symbols >= symbolPartitions;
    }
};

inline std::string Numbered(const char* prefix, int n, int width = 6) {
    char text[32];
    std::snprintf(text, sizeof text, "%s%0*d", prefix, width, n);
    return text;
}

inline void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// Opens the library once and asks one library-wide question: the store
// derives and writes its indexes.
inline void IndexLibrary(const std::string& file) {
    using namespace kelm::store;
    KelmServer server(nullptr, CreateFileStoreBackend());
    KelmPart parts(server, nullptr);
    std::string partition;
    if (FAILED(server.Load(file.c_str(), 1)) || FAILED(parts.GetPartition(partition, Numbered("P", 0))))
        std::fprintf(stderr, "the library's indexes could not be derived\n");
}

// Writes the library (with reuse: finds the one written before) and gives
// its configuration file.
inline std::string GenerateLibrary(const LibrarySize& o) {
    using namespace kelm::store;
    const std::filesystem::path root(o.folder);
    std::printf("%s %d part types in %d partitions, %d cells in %d, %d symbols in %d, %d schemes in %s\n",
                o.reuse ? "Using" : "Generating", o.parts, o.partPartitions, o.cells, o.cellPartitions, o.symbols,
                o.symbolPartitions, o.schemes, o.folder.c_str());
    if (o.reuse) return (root / "Bench.qvm").generic_string();
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
            // Symbol s lives in symbol partition s % symbolPartitions.
            const int symbol = n % (o.symbols ? o.symbols : 1);
            part.symbols = {{Numbered("Symbols", symbol % o.symbolPartitions, 3) + ":" + Numbered("SYM", symbol, 5), {"A", "B"}}};
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
    IndexLibrary(file);
    return file;
}

// The library that a benchmark's command line asks for (the options above),
// generated: its .qvm path; empty, after the usage, when the options are wrong.
inline std::string LibraryOfCommandLine(int argc, char** argv, LibrarySize& o) {
    if (!o.Parse(argc, argv)) {
        std::fprintf(stderr, "usage: see the comment at the top of bench/LargeLibrary.h\n");
        return {};
    }
    return GenerateLibrary(o);
}

inline void RemoveLibrary(const LibrarySize& o) {
    if (o.keep) return;
    std::error_code ignored;
    std::filesystem::remove_all(o.folder, ignored);
}

}  // namespace kelm::bench

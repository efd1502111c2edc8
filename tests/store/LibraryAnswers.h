// Every library-wide answer of a store session, beside the same answers worked out by reading every partition file in
// full: a session's index, however damaged or stale it was, must give exactly these.
#pragma once
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <set>
#include <string>
#include "platform/Files.h"
#include "store/format/LibraryConfig.h"
#include "store/format/PartJournal.h"
#include "store/format/PartitionFiles.h"
#include "store/items/KelmCell.h"
#include "store/items/KelmPart.h"
#include "store/items/KelmSymbol.h"
#include "support/TempLibrary.h"
namespace kelm::testing {
struct LibraryAnswers {
    std::map<std::string, std::string> partitionOfPart;   // "" when none holds it
    std::map<std::string, StringList> partsUsingCell;     // sorted
    std::map<std::string, StringList> partitionsOfCell;   // configuration order
    std::map<std::string, StringList> pinsOfCell;         // of the first partition holding it
    std::map<std::string, StringList> partitionsOfSymbol; // of "Partition:Symbol"
    bool operator==(const LibraryAnswers&) const = default;
};
inline void PrintTo(const LibraryAnswers& a, std::ostream* out) {
    for (const auto& [part, partition] : a.partitionOfPart) *out << part << "@" << partition << " ";
    for (const auto& [cell, parts] : a.partsUsingCell) *out << cell << "<" << parts.size() << " ";
    for (const auto& [cell, partitions] : a.partitionsOfCell) *out << cell << "@" << partitions.size() << " ";
}
// The answers from the files alone, for every item they hold and for the names in `extra` (items that are nowhere).
inline LibraryAnswers AnswersFromFiles(const std::string& qvm, const std::set<std::string>& extra = {"NOWHERE"}) {
    using namespace kelm::store;
    LibraryAnswers answers;
    std::string text, error;
    EXPECT_EQ(platform::FileResult::Ok, platform::ReadWholeFile(qvm, text, error)) << error;
    LibraryConfig config;
    EXPECT_TRUE(ParseLibraryConfig(text, qvm, config, error)) << error;
    const std::string folder = qvm.substr(0, qvm.find_last_of("\\/") + 1);
    for (const std::string& name : extra) {
        answers.partitionOfPart[name] = "";
        answers.partsUsingCell[name];
        answers.partitionsOfCell[name];
    }
    for (const PartitionId& id : config.partitions) {
        if (id.type == kPartitionTypePart) {
            PartMap parts;
            const std::string file = folder + "PartsDBLibs/" + id.name + ".pdb";
            if (ReadPartFile(file, text, error) != platform::FileResult::Ok) continue;  // with its journal
            EXPECT_TRUE(ParsePartFile(text, file, id.name, parts, error)) << error;
            for (const auto& [number, part] : parts) {
                std::string& holder = answers.partitionOfPart[number];
                if (holder.empty()) holder = id.name;
                for (const std::string& cell : part.cells) {
                    answers.partsUsingCell[cell].push_back(number);
                    answers.partitionsOfCell[cell];
                }
            }
        } else if (id.type == kPartitionTypeCell) {
            CellMap cells;
            const std::string file = folder + "CellDBLibs/" + id.name + kCellCatalogExtension;
            if (platform::ReadWholeFile(file, text, error) != platform::FileResult::Ok) continue;
            EXPECT_TRUE(ParseCellCatalog(text, file, id.name, cells, error)) << error;
            for (const auto& [name, cell] : cells) {
                StringList& holders = answers.partitionsOfCell[name];
                if (holders.empty()) answers.pinsOfCell[name] = cell.pins;
                holders.push_back(id.name);
                answers.partsUsingCell[name];
            }
        } else {
            std::vector<std::string> files;
            platform::ListFiles(folder + "SymbolLibs/" + id.name + "/sym", files);
            for (const std::string& file : files)
                answers.partitionsOfSymbol[id.name + ":" + file.substr(0, file.size() - 2)] = {id.name};
            answers.partitionsOfSymbol[id.name + ":NOWHERE"] = {};
        }
    }
    for (auto& [cell, parts] : answers.partsUsingCell) std::sort(parts.begin(), parts.end());
    return answers;
}
// The same questions asked of a session.
inline LibraryAnswers AnswersOf(store::KelmServer& server, const LibraryAnswers& questions) {
    LibraryAnswers answers;
    store::KelmPart parts(server, nullptr);
    store::KelmCell cells(server, nullptr, nullptr);
    store::KelmSymbol symbols(server, nullptr, nullptr, store::kPartitionTypeSymbol);
    for (const auto& [number, expected] : questions.partitionOfPart)
        EXPECT_EQ(S_OK, parts.GetPartition(answers.partitionOfPart[number], number)) << server.LastErrorText();
    for (const auto& [cell, expected] : questions.partsUsingCell)
        EXPECT_EQ(S_OK, cells.GetPartNumbers(answers.partsUsingCell[cell], cell)) << server.LastErrorText();
    for (const auto& [cell, expected] : questions.partitionsOfCell) {
        EXPECT_EQ(S_OK, cells.GetPartitionNames(answers.partitionsOfCell[cell], cell)) << server.LastErrorText();
        StringList pins;
        if (cells.GetPinNames(pins, cell) == S_OK) answers.pinsOfCell[cell] = pins;
    }
    for (const auto& [symbol, expected] : questions.partitionsOfSymbol)
        EXPECT_EQ(S_OK, symbols.GetPartitionNames(answers.partitionsOfSymbol[symbol], symbol)) << server.LastErrorText();
    return answers;
}
// The bytes of each of `files` in `lib` (none when it is missing).
inline std::map<std::string, std::optional<std::string>> FilesOf(const TempLibrary& lib, const std::vector<std::string>& files) {
    std::map<std::string, std::optional<std::string>> bytes;
    for (const std::string& file : files)
        bytes[file] = platform::StampOf(lib.Path(file)).exists ? std::optional(lib.ReadFile(file)) : std::nullopt;
    return bytes;
}
// A new session of `lib` gives the answers of its files (and of the names in `extra`).
inline void ExpectAnswersOfFiles(const TempLibrary& lib, const std::set<std::string>& extra, const std::string& where) {
    const LibraryAnswers expected = AnswersFromFiles(lib.File(), extra);
    EXPECT_EQ(expected, AnswersOf(*lib.Open(), expected)) << where;
}
}  // namespace kelm::testing

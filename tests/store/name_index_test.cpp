// Duplicate names in linear time: the index against a plain search on
// random lists that grow, shrink and are copied, and the readers and the
// store refusing a repeat far down a long list.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "store/format/PartitionFiles.h"
#include "store/items/NameIndex.h"

using namespace kelm::store;
using kelm::StringList;

TEST(NameIndex, AgreesWithAPlainSearchOnRandomListsFromASeed) {
    std::mt19937 random(15);
    const auto name = [&] { return "N" + std::to_string(random() % 400); };
    StringList list;
    NameIndex index;
    for (int step = 0; step < 20000; ++step) {
        const std::string probe = name();
        const bool present = std::find(list.begin(), list.end(), probe) != list.end();
        ASSERT_EQ(present, index.Contains(list, probe, NameOf<std::string>)) << "step " << step;
        if (!present) list.push_back(probe);
        switch (random() % 200) {
        case 0: list.resize(list.size() / 2); break;  // a shorter list is indexed again
        case 1: {
            NameIndex copy = index;  // a copy starts empty and is built again
            const StringList copied = list;
            ASSERT_TRUE(copy.Contains(copied, probe, NameOf<std::string>));
            break;
        }
        }
    }
    for (const std::size_t size : {0u, 5u, 16u, 17u, 300u}) {
        StringList unique;
        for (std::size_t i = 0; i < size; ++i) unique.push_back("U" + std::to_string(i));
        EXPECT_EQ(NameIndex::kNone, NameIndex::FirstDuplicate(unique, NameOf<std::string>));
        if (size < 2) continue;
        unique.push_back(unique[size / 2]);
        unique.push_back(unique[0]);
        EXPECT_EQ(size, NameIndex::FirstDuplicate(unique, NameOf<std::string>));
    }
}

TEST(NameIndex, ReadersRefuseARepeatFarDownALongList) {
    std::string cells, symbols;
    for (int i = 0; i < 200; ++i) {
        cells += (i ? ",\"C" : "\"C") + std::to_string(i) + "\"";
        symbols += (i ? ",{\"spec\":\"G:S" : "{\"spec\":\"G:S") + std::to_string(i) + "\",\"pins\":[]}";
    }
    const auto file = [](const std::string& cellList, const std::string& symbolList) {
        return "{\"kelm\":\"parts\",\"version\":1,\"lines\":1}\n{\"number\":\"P\",\"pins\":[],\"name\":\"\",\"label\":\"\","
               "\"nameDefault\":0,\"labelDefault\":0,\"description\":\"\",\"type\":\"\",\"time\":0,\"cells\":[" +
               cellList + "],\"symbols\":[" + symbolList + "]}\n";
    };
    const auto read = [](const std::string& text, std::string& error) {
        PartMap parts;
        std::string scanError;
        const bool parsed = ParsePartFile(text, "P.pdb", "P", parts, error);
        EXPECT_EQ(parsed, ScanPartFile(text, "P.pdb", [](const PartLine&) {}, scanError));
        EXPECT_EQ(error, scanError);
        return parsed;
    };
    std::string error;
    EXPECT_TRUE(read(file(cells, symbols), error)) << error;
    EXPECT_FALSE(read(file(cells + ",\"C150\"", symbols), error));
    EXPECT_NE(std::string::npos, error.find("a cell listed twice")) << error;
    EXPECT_FALSE(read(file(cells, symbols + ",{\"spec\":\"G:S7\",\"pins\":[]}"), error));
    EXPECT_NE(std::string::npos, error.find("symbol \"G:S7\" listed twice")) << error;
}

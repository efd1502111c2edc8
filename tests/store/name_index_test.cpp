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
        const unsigned event = random() % 200;
        if (event == 0) list.resize(list.size() / 2);  // a shorter list is indexed again
        if (event == 1) {
            ASSERT_TRUE(NameIndex(index).Contains(StringList(list), probe, NameOf<std::string>));  // a copy builds anew
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
    std::string cells = "\"C0\"", symbols = "{\"spec\":\"G:S0\",\"pins\":[]}";
    for (int i = 1; i < 200; ++i) {
        cells += ",\"C" + std::to_string(i) + "\"";
        symbols += ",{\"spec\":\"G:S" + std::to_string(i) + "\",\"pins\":[]}";
    }
    const struct {
        std::string cells, symbols, error;
    } kCases[] = {{cells, symbols, ""},
                  {cells + ",\"C150\"", symbols, "a cell listed twice"},
                  {cells, symbols + ",{\"spec\":\"G:S7\",\"pins\":[]}", "symbol \"G:S7\" listed twice"}};
    for (const auto& c : kCases) {
        const std::string text = "{\"kelm\":\"parts\",\"version\":1,\"lines\":1}\n{\"number\":\"P\",\"pins\":[],\"name\":\"\","
                                 "\"label\":\"\",\"nameDefault\":0,\"labelDefault\":0,\"description\":\"\",\"type\":\"\",\"time\":0,"
                                 "\"cells\":[" + c.cells + "],\"symbols\":[" + c.symbols + "]}\n";
        PartMap parts;
        std::string error, scanError;
        EXPECT_EQ(c.error.empty(), ParsePartFile(text, "P.pdb", "P", parts, error)) << error;
        EXPECT_EQ(c.error.empty(), ScanPartFile(text, "P.pdb", [](const PartLine&) {}, scanError));
        EXPECT_EQ(error, scanError);
        EXPECT_NE(std::string::npos, error.find(c.error)) << error;
    }
}

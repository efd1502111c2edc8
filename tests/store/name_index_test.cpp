// Duplicate names in linear time: the index against a plain search on random lists that grow, shrink and are copied
// (the readers refusing a repeat far down a long list: the library index tests).
#include <gtest/gtest.h>
#include <algorithm>
#include <random>
#include "store/items/NameIndex.h"
#include "util/StringList.h"
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
        if (event == 1) { ASSERT_TRUE(NameIndex(index).Contains(StringList(list), probe, NameOf<std::string>)); }  // a copy builds anew
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

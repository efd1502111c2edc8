// The item filter's wildcard matcher on ordinary and pathological patterns,
// and a filtered listing of 2,000 names. Plain timer; prints a table.
#include <string>

#include "BenchTable.h"
#include "query/ItemFilter.h"

int main() {
    using kelm::bench::BenchTable;
    std::string manyStars;
    for (int i = 0; i < 40; ++i) manyStars += "*a";
    const std::string longText(200, 'a');
    const std::string failingStars = manyStars + "b";

    kelm::StringList names;
    for (int i = 0; i < 2000; ++i) names.push_back((i % 3 ? "RES" : "cap") + std::to_string(100000 + i * 7));
    kelm::StringList out;
    volatile bool sink = false;

    BenchTable table;
    table.Add("40 '*a' groups vs 200 chars, match", 50e-6, [&] {
        sink = kelm::MatchWildcard(manyStars, longText);
        return sink;
    }, 1000);
    table.Add("40 '*a' groups + 'b' vs 200 chars, no match", 50e-6, [&] {
        sink = kelm::MatchWildcard(failingStars, longText);
        return !sink;
    }, 1000);
    table.Add("short pattern 'r1*0?' vs 'r10203'", 1e-6, [&] {
        sink = kelm::MatchWildcard("r1*0?", "r10203");
        return sink;
    }, 100000);
    table.Add("filter 2,000 names with 'res1*7'", 1e-3, [&] {
        kelm::FilterItemList("res1*7", names, out);
        return !out.empty();
    }, 100);
    table.Add("filter 2,000 names with '*'", 1e-3, [&] {
        kelm::FilterItemList("*", names, out);
        return out.size() == names.size();
    }, 100);
    return table.Run();
}

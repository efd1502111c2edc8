#include <gtest/gtest.h>
#include "ProgressBar.h"

namespace kelmcli {
namespace {
TEST(ProgressBar, ShowsCountRateAndTimeLeftOnceTheRateHasSettledWithinTheWidth) {
    const struct { std::size_t done, total; double seconds; std::string text; } cases[] = {
        {500, 1000, 2.0, "[" + std::string(15, '#') + std::string(15, ' ') + "] 500/1000  250/s  0:02 left"},
        {1000, 1000, 65.0, "[" + std::string(30, '#') + "] 1000/1000  15/s  1:05"},  // done: the time it took
        {1, 50000, 0.5, "[" + std::string(30, ' ') + "] 1/50000  --/s  --:-- left"},  // the first frames guess nothing
        {12, 10, 1.0, "[" + std::string(30, '#') + "] 12/10  12/s  0:01"},           // more done than announced
    };
    for (const auto& c : cases) EXPECT_EQ(ProgressBar::Render(c.done, c.total, c.seconds), c.text);
    for (const int width : {0, 20, 60}) EXPECT_LE(ProgressBar::Render(123456, 200000, 7.0, width).size(), static_cast<std::size_t>(width));
    for (const bool enabled : {false, true}) {
        std::ostringstream out;
        ProgressBar bar(out, 3, enabled);
        for (std::size_t i = 1; i <= 3; ++i) bar.Update(i);
        bar.Finish();
        const std::string text = out.str();
        ASSERT_EQ(text.empty(), !enabled);
        if (!enabled) continue;
        EXPECT_EQ(std::string() + text.front() + text.back(), "\r\n") << text;
        EXPECT_NE(text.rfind("3/3"), std::string::npos) << text;
    }
}
}  // namespace
}  // namespace kelmcli

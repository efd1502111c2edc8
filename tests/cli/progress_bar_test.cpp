#include <gtest/gtest.h>

#include <sstream>

#include "ProgressBar.h"

namespace kelmcli {
namespace {

TEST(ProgressBar, ShowsCountRateAndTimeLeftOnceTheRateHasSettled) {
    const std::string half = ProgressBar::Render(500, 1000, 2.0);
    EXPECT_NE(half.find("500/1000"), std::string::npos) << half;
    EXPECT_NE(half.find("250/s"), std::string::npos) << half;
    EXPECT_NE(half.find("0:02 left"), std::string::npos) << half;
    EXPECT_NE(half.find("[###############               ]"), std::string::npos) << half;
    const std::string done = ProgressBar::Render(1000, 1000, 65.0);
    EXPECT_EQ(done.find("left"), std::string::npos) << done;
    EXPECT_NE(done.find("1:05"), std::string::npos) << done;
    // The first frame guesses nothing: no rate, no time left.
    for (const double seconds : {0.0, 0.001, 0.5}) {
        const std::string first = ProgressBar::Render(1, 50000, seconds);
        EXPECT_NE(first.find("--/s  --:-- left"), std::string::npos) << first;
    }
    // More done than announced: a full bar, not a broken one.
    EXPECT_EQ(ProgressBar::Render(12, 10, 1.0).rfind("[" + std::string(30, '#') + "] 12/10", 0), 0u);
}

TEST(ProgressBar, FitsTheWidthItIsGiven) {
    for (const int width : {0, 5, 20, 40, 45, 60, 80, 200}) {
        const std::string text = ProgressBar::Render(123456, 200000, 7.0, width);
        EXPECT_LE(text.size(), static_cast<std::size_t>(width)) << width << ": " << text;
        if (width >= 60) {
            EXPECT_NE(text.find("123456/200000"), std::string::npos) << text;
        }
    }
}

TEST(ProgressBar, DisabledPrintsNothingEnabledEndsWithTheFinalStateOnItsOwnLine) {
    for (const bool enabled : {false, true}) {
        std::ostringstream out;
        ProgressBar bar(out, 3, enabled);
        for (std::size_t i = 1; i <= 3; ++i) bar.Update(i);
        bar.Finish();
        const std::string text = out.str();
        if (!enabled) {
            EXPECT_TRUE(text.empty());
            continue;
        }
        EXPECT_EQ(text.front(), '\r');
        EXPECT_EQ(text.back(), '\n');
        EXPECT_NE(text.rfind("3/3"), std::string::npos);
    }
}

}  // namespace
}  // namespace kelmcli

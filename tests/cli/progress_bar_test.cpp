#include <gtest/gtest.h>

#include <sstream>

#include "ProgressBar.h"

namespace kelmcli {
namespace {

TEST(ProgressBar, RendersCountRateAndTimeLeftOnlyOnceTheRateHasSettled) {
    const struct {
        std::size_t done, total;
        double seconds;
        std::string has;  // "!" + text: must not have it
    } cases[] = {
        {500, 1000, 2.0, "[###############               ] 500/1000"}, {500, 1000, 2.0, "250/s"},
        {500, 1000, 2.0, "0:02 left"}, {1000, 1000, 65.0, "1:05"}, {1000, 1000, 65.0, "!left"},
        {1, 50000, 0.0, "--/s  --:-- left"}, {1, 50000, 0.5, "--/s  --:-- left"},  // the first frames guess nothing
        {12, 10, 1.0, "[" + std::string(30, '#') + "] 12/10"},                     // more done than announced
    };
    for (const auto& c : cases) {
        const std::string text = ProgressBar::Render(c.done, c.total, c.seconds);
        if (c.has.starts_with("!")) {
            EXPECT_EQ(text.find(c.has.substr(1)), std::string::npos) << text;
        } else {
            EXPECT_NE(text.find(c.has), std::string::npos) << c.has << " in " << text;
        }
    }
    for (const int width : {0, 5, 20, 45, 60, 200}) {
        const std::string text = ProgressBar::Render(123456, 200000, 7.0, width);
        EXPECT_LE(text.size(), static_cast<std::size_t>(width)) << text;
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
        EXPECT_EQ(text.empty(), !enabled);
        if (!enabled) continue;
        EXPECT_EQ(std::string() + text.front() + text.back(), "\r\n") << text;
        EXPECT_NE(text.rfind("3/3"), std::string::npos) << text;
    }
}

}  // namespace
}  // namespace kelmcli

// A one-line progress bar on stderr for long imports: count, rate and time
// left, redrawn at most ten times a second, never wider than the terminal.
// Rate and time left are shown once a second has passed: before, they would
// be guesses from a handful of rows. Disabled, it prints nothing.
#pragma once

#include <chrono>
#include <cstddef>
#include <iosfwd>
#include <string>

namespace kelmcli {

class ProgressBar {
public:
    using Clock = std::chrono::steady_clock;

    ProgressBar(std::ostream& out, std::size_t total, bool enabled);
    void Update(std::size_t done);
    void Finish();  // draws the final state and ends the line

    // The text of the bar for a state (no carriage return), at most width
    // columns (the bar itself shrinks, then goes), for tests.
    static std::string Render(std::size_t done, std::size_t total, double seconds, int width = 80);

private:
    std::ostream& m_out;
    std::size_t m_total;
    bool m_enabled;
    bool m_drawn = false;
    Clock::time_point m_start;
    Clock::time_point m_lastDraw;
    std::size_t m_done = 0;
    int m_width = 80;
};

}  // namespace kelmcli

#include "ProgressBar.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

#include "kelmapi/tooling.h"

namespace kelmcli {
namespace {

std::string Duration(double seconds) {
    const long total = static_cast<long>(seconds + 0.5);
    char text[32];
    if (total >= 3600) std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
    else std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    return text;
}

}  // namespace

ProgressBar::ProgressBar(std::ostream& out, std::size_t total, bool enabled)
    : m_out(out), m_total(total), m_enabled(enabled && total > 0), m_start(Clock::now()), m_lastDraw(m_start) {
    // The last column stays free: writing into it wraps on some terminals.
    if (const int columns = kelmapi::TerminalWidth(stderr); columns > 0) m_width = columns - 1;
}

std::string ProgressBar::Render(std::size_t done, std::size_t total, double seconds, int width) {
    constexpr double kSettled = 1.0;  // seconds before the rate means something
    std::string tail = " " + std::to_string(done) + "/" + std::to_string(total);
    const double rate = seconds >= kSettled ? static_cast<double>(done) / seconds : 0.0;
    char text[64];
    if (rate > 0) std::snprintf(text, sizeof text, "  %.0f/s", rate);
    else std::snprintf(text, sizeof text, "  --/s");
    tail += text;
    if (done < total) tail += "  " + (rate > 0 ? Duration(static_cast<double>(total - done) / rate) : "--:--") + " left";
    else tail += "  " + Duration(seconds);

    constexpr int kMaxBar = 30, kMinBar = 10;
    const int room = width - static_cast<int>(tail.size()) - 2;  // the brackets
    if (room < kMinBar) return tail.substr(1, static_cast<std::size_t>(std::max(width, 0)));  // no room for a bar
    const int barWidth = std::min(room, kMaxBar);
    const double fraction = total == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(total);
    const int filled = std::clamp(static_cast<int>(fraction * barWidth), 0, barWidth);
    std::string bar = "[";
    bar.append(static_cast<std::size_t>(filled), '#').append(static_cast<std::size_t>(barWidth - filled), ' ').append("]");
    return bar + tail;
}

void ProgressBar::Update(std::size_t done) {
    m_done = done;
    if (!m_enabled) return;
    const auto now = Clock::now();
    if (m_drawn && now - m_lastDraw < std::chrono::milliseconds(100)) return;
    m_lastDraw = now;
    m_drawn = true;
    m_out << '\r' << Render(done, m_total, std::chrono::duration<double>(now - m_start).count(), m_width) << "\x1b[K" << std::flush;
}

void ProgressBar::Finish() {
    if (!m_enabled) return;
    m_out << '\r' << Render(m_done, m_total, std::chrono::duration<double>(Clock::now() - m_start).count(), m_width)
          << "\x1b[K\n" << std::flush;
}

}  // namespace kelmcli

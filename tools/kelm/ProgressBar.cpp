#include "ProgressBar.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

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
    : m_out(out), m_total(total), m_enabled(enabled && total > 0), m_start(Clock::now()), m_lastDraw(m_start) {}

std::string ProgressBar::Render(std::size_t done, std::size_t total, double seconds) {
    constexpr int kWidth = 30;
    const double fraction = total == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(total);
    const int filled = std::clamp(static_cast<int>(fraction * kWidth), 0, kWidth);
    std::string bar = "[";
    bar.append(static_cast<std::size_t>(filled), '#').append(static_cast<std::size_t>(kWidth - filled), ' ').append("] ");
    bar += std::to_string(done) + "/" + std::to_string(total);
    const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0.0;
    char text[64];
    std::snprintf(text, sizeof text, "  %.0f/s", rate);
    bar += text;
    if (done < total) bar += "  " + (rate > 0 ? Duration(static_cast<double>(total - done) / rate) : "--:--") + " left";
    else bar += "  " + Duration(seconds);
    return bar;
}

void ProgressBar::Update(std::size_t done) {
    m_done = done;
    if (!m_enabled) return;
    const auto now = Clock::now();
    if (m_drawn && now - m_lastDraw < std::chrono::milliseconds(100)) return;
    m_lastDraw = now;
    m_drawn = true;
    m_out << '\r' << Render(done, m_total, std::chrono::duration<double>(now - m_start).count()) << "\x1b[K" << std::flush;
}

void ProgressBar::Finish() {
    if (!m_enabled) return;
    m_out << '\r' << Render(m_done, m_total, std::chrono::duration<double>(Clock::now() - m_start).count())
          << "\x1b[K\n" << std::flush;
}

}  // namespace kelmcli

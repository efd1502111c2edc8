// A table of named benchmark cases measured with a plain timer. Each case
// runs once, in the order added, on state the earlier cases left behind,
// and reports its time (or the time per repetition) against its target.
//
//   BenchTable table;
//   table.Add("open", 20e-3, [&] { server.Load(file, 0); });
//   table.Add("warm lookup", 5e-6, [&] { ... }, 1000);   // per repetition
//   return table.Run();   // prints the table; 1 when a case failed
#pragma once

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace kelm::bench {

class BenchTable {
public:
    // `work` returns false when the case failed (its time is then not judged).
    using Work = std::function<bool()>;
    void Add(std::string name, double targetSeconds, Work work, int repetitions = 1) {
        m_cases.push_back({std::move(name), targetSeconds, std::move(work), repetitions});
    }

    int Run() const {
        std::printf("| %-48s | %12s | %10s | %-6s |\n", "case", "time", "target", "result");
        std::printf("|%s|%s|%s|%s|\n", std::string(50, '-').c_str(), std::string(14, '-').c_str(),
                    std::string(12, '-').c_str(), std::string(8, '-').c_str());
        int failures = 0;
        for (const Case& c : m_cases) {
            const auto start = std::chrono::steady_clock::now();
            bool ok = true;
            for (int i = 0; i < c.repetitions && ok; ++i) ok = c.work();
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / c.repetitions;
            const char* verdict = !ok ? "FAILED" : (c.target > 0 && seconds > c.target ? "slow" : "ok");
            if (!ok) ++failures;
            std::printf("| %-48s | %12s | %10s | %-6s |\n", c.name.c_str(), Duration(seconds).c_str(),
                        c.target > 0 ? ("<= " + Duration(c.target)).c_str() : "", verdict);
            std::fflush(stdout);
        }
        return failures ? 1 : 0;
    }

    static std::string Duration(double seconds) {
        char text[32];
        if (seconds >= 1) std::snprintf(text, sizeof text, "%.2f s", seconds);
        else if (seconds >= 1e-3) std::snprintf(text, sizeof text, "%.2f ms", seconds * 1e3);
        else std::snprintf(text, sizeof text, "%.2f us", seconds * 1e6);
        return text;
    }

private:
    struct Case {
        std::string name;
        double target;
        Work work;
        int repetitions;
    };
    std::vector<Case> m_cases;
};

}  // namespace kelm::bench

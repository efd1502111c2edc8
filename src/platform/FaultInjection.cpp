// The step counter behind fault injection and the pause points (shared by
// every system).
#include "platform/FaultInjection.h"

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <random>
#include <thread>

#include "platform/Machine.h"

namespace kelm::platform {
namespace {
std::atomic<int> g_faultStep{-1};  // -1: not read yet, 0: off
std::atomic<Fault> g_fault{Fault::Crash};
std::atomic<int> g_stepsTaken{0};

std::atomic<bool> g_pauses{false};
std::atomic<int> g_stalledSite{-1};
std::atomic<int> g_stallMilliseconds{0};
std::mutex g_randomMutex;
std::minstd_rand g_random;

int FaultStep() {
    int step = g_faultStep.load();
    if (step < 0) {
        const char* text = std::getenv("KELM_FAULT_STEP");
        step = text ? std::atoi(text) : 0;
        if (step < 0) step = 0;
        g_faultStep.store(step);
    }
    return step;
}
}  // namespace

Fault FaultPoint() {
    const int step = FaultStep();
    if (step == 0 || ++g_stepsTaken != step) return Fault::None;
    if (g_fault == Fault::Crash) std::_Exit(kFaultExitCode);
    return g_fault;
}

void SetFaultStepForTesting(int step) { SetFaultForTesting(step, Fault::Crash); }

void SetFaultForTesting(int step, Fault fault) {
    g_stepsTaken = 0;
    g_fault = fault == Fault::None ? Fault::Crash : fault;
    g_faultStep = step < 0 || fault == Fault::None ? 0 : step;
}

void PausePoint(int site) {
    if (!g_pauses) return;
    int milliseconds = 0;
    {
        std::lock_guard<std::mutex> guard(g_randomMutex);
        milliseconds = g_random() % 6 == 0 ? 1 : 0;  // mostly a yield, sometimes 1 ms
    }
    if (site == g_stalledSite) milliseconds = g_stallMilliseconds;
    if (milliseconds > 0) SleepMilliseconds(milliseconds);
    else std::this_thread::yield();
}

void SetPausesForTesting(unsigned seed, int stalledSite, int stallMilliseconds) {
    std::lock_guard<std::mutex> guard(g_randomMutex);
    g_random.seed(seed == 0 ? 1 : seed);
    g_stalledSite = stalledSite;
    g_stallMilliseconds = stallMilliseconds;
    g_pauses = seed != 0 || stallMilliseconds != 0;
}

}  // namespace kelm::platform

// The step counter behind fault injection (shared by every system).
#include <atomic>
#include <cstdlib>

#include "platform/AtomicFile.h"

namespace kelm::platform {
namespace {
std::atomic<int> g_faultStep{-1};  // -1: not read yet, 0: off
std::atomic<int> g_stepsTaken{0};

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

void FaultPoint() {
    const int step = FaultStep();
    if (step == 0) return;
    if (++g_stepsTaken == step) std::_Exit(kFaultExitCode);
}

void SetFaultStepForTesting(int step) {
    g_stepsTaken = 0;
    g_faultStep = step < 0 ? 0 : step;
}

}  // namespace kelm::platform

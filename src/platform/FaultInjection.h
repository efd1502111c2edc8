// Fault injection for the store's tests, in three forms:
//
// - Crash: with the step count N set (environment variable KELM_FAULT_STEP,
//   or SetFaultStepForTesting), the process ends at once, without any
//   clean-up, when it reaches its Nth write step (half a temporary file
//   written, flush, rename, folder flush, and every exclusive create, move
//   or removal of the store).
// - Failure: SetFaultForTesting(N, Fault::DiskFull or Fault::Denied) makes
//   the Nth write step fail as a full disk or a refused write would; the
//   file operation reports it with the system's own error text.
// - Pauses: PausePoint(site) marks a step of a protocol between processes
//   (the library lock's takeover). With pauses switched on, every point
//   sleeps a short random time drawn from the seed, and the stalled site
//   sleeps longer, so that other processes run through that step's window.
#pragma once

namespace kelm::platform {

enum class Fault { None, Crash, DiskFull, Denied };

// Counts one write step. Ends the process when it is the crash step asked
// for; returns the failure to report when it is the failing step asked for.
Fault FaultPoint();
// 0 switches fault injection off; the environment is then not read again.
void SetFaultStepForTesting(int step);
void SetFaultForTesting(int step, Fault fault);
// Exit code of a process ended by fault injection.
inline constexpr int kFaultExitCode = 86;

void PausePoint(int site);
// stalledSite < 0: random pauses only; stallMilliseconds 0 with seed 0: off.
void SetPausesForTesting(unsigned seed, int stalledSite, int stallMilliseconds);

}  // namespace kelm::platform

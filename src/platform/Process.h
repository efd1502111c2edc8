// Process seam: starting a program from a command line, hidden and detached,
// without waiting for it and without keeping anything of it.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kelm::platform {

// Starts the command line as a new process with a hidden window (Windows) or
// detached in its own session with its output discarded (elsewhere). True
// when the process was created; the caller never learns more of it.
bool StartDetachedProcess(const std::string& commandLine);

// Splits a command line into arguments the way Windows does for a program's
// argv: the program name ends at the next blank, or at the closing quote when
// it starts with one; later arguments follow the quote and backslash rules
// (2n backslashes before a quote give n and the quote toggles quoting, 2n+1
// give n and a literal quote, other backslashes are literal, and inside
// quotes a doubled quote is a literal one).
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// Tests replace process creation; an empty function restores the real one.
using ProcessStarter = std::function<bool(const std::string& commandLine)>;
void SetProcessStarterForTesting(ProcessStarter starter);

namespace detail {
// The operating system's process creation (posix/ and win/).
bool StartDetachedProcessNative(const std::string& commandLine);
}  // namespace detail

}  // namespace kelm::platform

// Runs the built kelm binary in a folder and keeps its exit code, stdout and
// stderr.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/TempFolder.h"

namespace kelm::testing {

struct KelmResult {
    int code = -1;
    std::string out;
    std::string err;
};

inline std::string ShellQuote(const std::string& word) {
    std::string quoted = "'";
    for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// kelm with the arguments, in the folder (the working directory of the run);
// environment: shell assignments put before the command ("A=1 B=").
inline KelmResult RunKelm(const std::filesystem::path& folder, const std::vector<std::string>& args,
                          const std::string& environment = {}) {
    std::string command = "cd " + ShellQuote(folder.string()) + " && " + environment + " " + ShellQuote(KELM_CLI_BINARY);
    for (const auto& arg : args) command += " " + ShellQuote(arg);
    const auto out = folder / ".kelm-out", err = folder / ".kelm-err";
    command += " >" + ShellQuote(out.string()) + " 2>" + ShellQuote(err.string()) + " </dev/null";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFileBytes(out), ReadFileBytes(err)};
}

}  // namespace kelm::testing

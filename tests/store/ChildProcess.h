// Starts kelm_store_child (see child/StoreChild.cpp) as a second process
// and waits for it. True when it ended with exit code 0. What it prints goes
// to `output` when a file is given.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

namespace kelm::testing {

inline bool RunStoreChild(const std::vector<std::string>& args, std::string output = {}) {
    std::string program = KELM_STORE_CHILD;
#ifdef _WIN32
    // A cross build run under Wine knows the program by its Unix path.
    if (!program.empty() && program[0] == '/') program = "Z:" + program;
    for (char& c : program)
        if (c == '/') c = '\\';
#endif
    std::string command = "\"" + program + "\"";
    for (const std::string& arg : args) command += " \"" + arg + "\"";
#ifdef _WIN32
    if (!output.empty() && output[0] == '/') output = "Z:" + output;
    for (char& c : output)
        if (c == '/') c = '\\';
    command = "\"" + command + " >" + (output.empty() ? "NUL" : "\"" + output + "\"") + "\"";
#else
    command += " >" + (output.empty() ? std::string("/dev/null") : "\"" + output + "\"");
#endif
    return std::system(command.c_str()) == 0;
}

}  // namespace kelm::testing

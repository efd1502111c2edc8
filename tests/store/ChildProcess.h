// Starts kelm_store_child (see child/StoreChild.cpp) as a second process
// and waits for it. True when it ended with exit code 0.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

namespace kelm::testing {

inline bool RunStoreChild(const std::vector<std::string>& args) {
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
    command = "\"" + command + " >NUL\"";
#else
    command += " >/dev/null";
#endif
    return std::system(command.c_str()) == 0;
}

}  // namespace kelm::testing

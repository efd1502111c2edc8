// Starts kelm_store_child (see child/StoreChild.cpp) as a second process and waits for it: true when it ended with
// exit code 0. What it prints goes to `output` when a file is given.
#pragma once
#include <cstdlib>
#include <string>
#include <vector>
namespace kelm::testing {
inline bool RunStoreChild(const std::vector<std::string>& args, std::string output = {}) {
    std::string program = KELM_STORE_CHILD;
#ifdef _WIN32
    // A cross build run under Wine knows the files by their Unix paths.
    for (std::string* path : {&program, &output}) {
        if (!path->empty() && (*path)[0] == '/') *path = "Z:" + *path;
        for (char& c : *path) c = c == '/' ? '\\' : c;
    }
#endif
    std::string command = "\"" + program + "\"";
    for (const std::string& arg : args) command += " \"" + arg + "\"";
#ifdef _WIN32
    command = "\"" + command + " >" + (output.empty() ? "NUL" : "\"" + output + "\"") + "\"";
#else
    command += " >" + (output.empty() ? std::string("/dev/null") : "\"" + output + "\"");
#endif
    return std::system(command.c_str()) == 0;
}
}  // namespace kelm::testing

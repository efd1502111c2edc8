// Starts kelm_store_child (see child/StoreChild.cpp) as a second process
// and waits for it. True when it ended with exit code 0.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

namespace kelm::testing {

inline bool RunStoreChild(const std::vector<std::string>& args) {
    std::string command = std::string("\"") + KELM_STORE_CHILD + "\"";
    for (const std::string& arg : args) command += " \"" + arg + "\"";
#ifdef _WIN32
    command = "\"" + command + " >NUL\"";
#else
    command += " >/dev/null";
#endif
    return std::system(command.c_str()) == 0;
}

}  // namespace kelm::testing

// CuratorCommand.exe: the command-line tool that the component starts.
//
//   CuratorCommand.exe -qvmfile="<library>" -command=run -args=<flow>;
//   CuratorCommand.exe -qvmfile="<library>" -command=refreshqvm -args=<partition>;;<symbols|cells|parts>;
//
// The arguments after -args= are taken together (a flow or partition name
// with blanks reaches the tool as several arguments, since it is not quoted).
// Exit codes: 0 clean, 1 problems found, 2 usage or I/O error.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kelm::curator {

inline constexpr int kExitClean = 0;
inline constexpr int kExitProblems = 1;
inline constexpr int kExitUsage = 2;

struct Request {
    std::string qvmFile;
    std::string command;  // "run" or "refreshqvm"
    std::string args;     // the text after -args=
};

// False with `error` set for anything but the two command lines above.
bool ParseCommandLine(const std::vector<std::string>& arguments, Request& request, std::string& error);

// Runs the tool on its arguments (without the program name).
int RunTool(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

// Reads one partition again from disk under the library lock; reservations
// are read and reported, never changed. The result line also goes to
// LogFiles\<library title>.refresh.txt beside the library.
int RefreshPartitionFlow(const std::string& qvmFile, const std::string& partition, const std::string& kindWord,
                         std::ostream& out, std::ostream& err);

// Checks the library's integrity and writes the report to
// LogFiles\<library title>.verify.txt beside the library (and to `out`).
int VerifyFlow(const std::string& qvmFile, std::ostream& out, std::ostream& err);

}  // namespace kelm::curator

// Starts the program detached: a first child leaves the caller's session and
// forks the program, then exits at once and is reaped here, so the program is
// adopted by init and never becomes our zombie. A close-on-exec pipe tells
// whether exec succeeded: end of file means it did, an errno means it failed.
#include "platform/Process.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/Files.h"

namespace kelm::platform::detail {
namespace {

void ReportAndExit(int fd) {
    const int error = errno;
    ssize_t ignored = write(fd, &error, sizeof error);
    (void)ignored;
    _exit(127);
}

}  // namespace

bool StartDetachedProcessNative(const std::string& commandLine) {
    std::vector<std::string> args = SplitCommandLine(commandLine);
    if (args.empty() || args[0].empty()) return false;
    args[0] = NativePath(args[0]);
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);

    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return false;

    const pid_t child = fork();
    if (child < 0) {
        close(pipeFds[0]);
        close(pipeFds[1]);
        return false;
    }
    if (child == 0) {
        // Only async-signal-safe calls from here on.
        close(pipeFds[0]);
        setsid();
        const pid_t grandchild = fork();
        if (grandchild < 0) ReportAndExit(pipeFds[1]);
        if (grandchild > 0) _exit(0);
        const int devNull = open("/dev/null", O_RDWR);
        if (devNull >= 0) {
            dup2(devNull, STDIN_FILENO);
            dup2(devNull, STDOUT_FILENO);
            dup2(devNull, STDERR_FILENO);
            if (devNull > STDERR_FILENO) close(devNull);
        }
        execvp(argv[0], argv.data());
        ReportAndExit(pipeFds[1]);
    }

    close(pipeFds[1]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got = 0;
    do {
        got = read(pipeFds[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    close(pipeFds[0]);
    return got == 0;
}

}  // namespace kelm::platform::detail

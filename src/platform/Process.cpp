#include "platform/Process.h"

#include <utility>

namespace kelm::platform {
namespace {
ProcessStarter& TestStarter() {
    static ProcessStarter starter;
    return starter;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
}  // namespace

bool StartDetachedProcess(const std::string& commandLine) {
    if (const auto& starter = TestStarter()) return starter(commandLine);
    return detail::StartDetachedProcessNative(commandLine);
}

void SetProcessStarterForTesting(ProcessStarter starter) { TestStarter() = std::move(starter); }

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    std::vector<std::string> args;
    const std::size_t n = commandLine.size();
    std::size_t i = 0;
    if (n == 0) return args;

    // The program name knows no escapes: it ends at the closing quote when it
    // starts with one, else at the first blank.
    std::string program;
    if (commandLine[0] == '"') {
        for (i = 1; i < n && commandLine[i] != '"'; ++i) program += commandLine[i];
        if (i < n) ++i;
    } else {
        for (; i < n && !IsBlank(commandLine[i]); ++i) program += commandLine[i];
    }
    args.push_back(std::move(program));

    std::string current;
    bool started = false;   // an argument is being built (possibly empty, as "")
    int quotes = 0;         // odd while inside quotes; a third quote in a row is literal
    std::size_t backslashes = 0;
    while (i < n) {
        const char c = commandLine[i];
        if (IsBlank(c) && quotes == 0) {
            if (started) args.push_back(std::move(current));
            current.clear();
            started = false;
            backslashes = 0;
            ++i;
            continue;
        }
        started = true;
        if (c == '\\') {
            current += c;
            ++backslashes;
            ++i;
            continue;
        }
        if (c != '"') {
            current += c;
            backslashes = 0;
            ++i;
            continue;
        }
        // A quote: the backslashes before it are halved; an odd one left
        // over makes the quote literal.
        current.erase(current.size() - backslashes / 2);
        if (backslashes % 2 == 1) {
            current.back() = '"';
        } else {
            ++quotes;
        }
        backslashes = 0;
        ++i;
        for (; i < n && commandLine[i] == '"'; ++i) {
            if (++quotes == 3) {
                current += '"';
                quotes = 0;
            }
        }
        if (quotes == 2) quotes = 0;
    }
    if (started) args.push_back(std::move(current));
    return args;
}

}  // namespace kelm::platform

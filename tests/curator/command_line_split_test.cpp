// Splitting a command line into arguments by the Windows rules, so that the
// tool receives on Linux what it would receive on Windows.
#include <gtest/gtest.h>
#include "platform/Process.h"

namespace kelm::platform {
namespace {
using Args = std::vector<std::string>;
TEST(SplitCommandLine, WindowsQuotingRules) {
    const struct { const char* line; Args args; } cases[] = {
        // The launcher's command lines keep the quoted library whole.
        {"C:\\Tools\\CuratorCommand.exe -qvmfile=\"C:\\My Libs\\Main Lib.qvm\" -command=run -args=my flow;",
         {"C:\\Tools\\CuratorCommand.exe", "-qvmfile=C:\\My Libs\\Main Lib.qvm", "-command=run", "-args=my", "flow;"}},
        {"/opt/t\\CuratorCommand.exe -qvmfile=\"\" -command=refreshqvm -args=Resistors;;;",
         {"/opt/t\\CuratorCommand.exe", "-qvmfile=", "-command=refreshqvm", "-args=Resistors;;;"}},
        // The program name has no escapes.
        {"\"C:\\Program Files\\t.exe\" a", {"C:\\Program Files\\t.exe", "a"}},
        {"\"C:\\dir\\\" x", {"C:\\dir\\", "x"}},  // a backslash before the quote is literal
        {"\"prog\"b", {"prog", "b"}},             // the argument starts right after it
        {"\"prog\"\"a b\"", {"prog", "a b"}},      // ... also with a quote
        {"prog   \t ", {"prog"}},
        {"\"unterminated name", {"unterminated name"}},
        {"", {}},
        // Backslashes not before a quote are literal.
        {"p a\\\\b c\\", {"p", "a\\\\b", "c\\"}},
        // 2n backslashes + quote: n backslashes, the quote toggles quoting.
        {"p \"a\\\\\"b\" c\"", {"p", "a\\b c"}},
        {"p \"dir\\\\\" x", {"p", "dir\\", "x"}},
        // 2n+1 backslashes + quote: n backslashes and a literal quote.
        {"p a\\\"b", {"p", "a\"b"}},
        {"p a\\\\\\\"b", {"p", "a\\\"b"}},
        // A doubled quote inside quotes is a literal quote and ends the quoting.
        {"p \"a\"\"b c", {"p", "a\"b", "c"}},
        // Three quotes in a row outside quotes give one literal quote.
        {"p \"\"\" x", {"p", "\"", "x"}},
        // Empty quoted arguments are arguments; blanks and tabs separate.
        {"p \"\"\ta  \"\"", {"p", "", "a", ""}},
        // Quotes may open and close mid-argument; an unterminated one runs to the end.
        {"p -qvmfile=\"a b\".qvm c", {"p", "-qvmfile=a b.qvm", "c"}},
        {"p \"a b ", {"p", "a b "}},
    };
    for (const auto& c : cases) EXPECT_EQ(c.args, SplitCommandLine(c.line)) << c.line;
}
}  // namespace
}  // namespace kelm::platform

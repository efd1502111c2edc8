// Splitting a command line into arguments by the Windows rules, so that the
// tool receives on Linux what it would receive on Windows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Process.h"

namespace kelm::platform {
namespace {

using Args = std::vector<std::string>;

TEST(SplitCommandLine, LauncherCommandLinesKeepTheQuotedLibraryWhole) {
    EXPECT_EQ((Args{"C:\\Tools\\CuratorCommand.exe", "-qvmfile=C:\\My Libs\\Main Lib.qvm", "-command=run",
                    "-args=my", "flow;"}),
              SplitCommandLine(
                  "C:\\Tools\\CuratorCommand.exe -qvmfile=\"C:\\My Libs\\Main Lib.qvm\" -command=run -args=my flow;"));
    EXPECT_EQ((Args{"/opt/t\\CuratorCommand.exe", "-qvmfile=", "-command=refreshqvm", "-args=Resistors;;;"}),
              SplitCommandLine("/opt/t\\CuratorCommand.exe -qvmfile=\"\" -command=refreshqvm -args=Resistors;;;"));
}

TEST(SplitCommandLine, ProgramNameHasNoEscapes) {
    EXPECT_EQ((Args{"C:\\Program Files\\t.exe", "a"}), SplitCommandLine("\"C:\\Program Files\\t.exe\" a"));
    EXPECT_EQ((Args{"C:\\dir\\", "x"}), SplitCommandLine("\"C:\\dir\\\" x"));  // backslash before quote is literal
    EXPECT_EQ((Args{"prog", "b"}), SplitCommandLine("\"prog\"b"));             // argument starts right after it
    EXPECT_EQ((Args{"prog"}), SplitCommandLine("prog   \t "));
    EXPECT_EQ((Args{"unterminated name"}), SplitCommandLine("\"unterminated name"));
    EXPECT_EQ(Args{}, SplitCommandLine(""));
}

TEST(SplitCommandLine, BackslashesAndQuotes) {
    // Backslashes not before a quote are literal.
    EXPECT_EQ((Args{"p", "a\\\\b", "c\\"}), SplitCommandLine("p a\\\\b c\\"));
    // 2n backslashes + quote: n backslashes, the quote toggles quoting.
    EXPECT_EQ((Args{"p", "a\\b c"}), SplitCommandLine("p \"a\\\\\"b\" c\""));
    EXPECT_EQ((Args{"p", "dir\\", "x"}), SplitCommandLine("p \"dir\\\\\" x"));
    // 2n+1 backslashes + quote: n backslashes and a literal quote.
    EXPECT_EQ((Args{"p", "a\"b"}), SplitCommandLine("p a\\\"b"));
    EXPECT_EQ((Args{"p", "a\\\"b"}), SplitCommandLine("p a\\\\\\\"b"));
    // A doubled quote inside quotes is a literal quote and ends the quoting.
    EXPECT_EQ((Args{"p", "a\"b", "c"}), SplitCommandLine("p \"a\"\"b c"));
    // Three quotes in a row outside quotes give one literal quote.
    EXPECT_EQ((Args{"p", "\"", "x"}), SplitCommandLine("p \"\"\" x"));
    // Empty quoted arguments are arguments; blanks and tabs separate.
    EXPECT_EQ((Args{"p", "", "a", ""}), SplitCommandLine("p \"\"\ta  \"\""));
    // Quotes may open and close mid-argument.
    EXPECT_EQ((Args{"p", "-qvmfile=a b.qvm", "c"}), SplitCommandLine("p -qvmfile=\"a b\".qvm c"));
    // An unterminated quote runs to the end of the line.
    EXPECT_EQ((Args{"p", "a b "}), SplitCommandLine("p \"a b "));
}

}  // namespace
}  // namespace kelm::platform

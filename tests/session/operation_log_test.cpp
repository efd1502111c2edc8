// Operation log lines, byte for byte, and where they go.
#include <gtest/gtest.h>
#include <cstdint>
#include <limits>
#include "platform/Clock.h"
#include "platform/Files.h"
#include "session/OperationLog.h"
#include "support/TempFolder.h"

namespace kelm {
namespace {
using testing::ReadFileBytes;
using testing::TempFolder;
constexpr std::int64_t kFixedTime = 1709622489;  // early March 2024

class OperationLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetClockForTesting([] { return kFixedTime; });
        ASSERT_TRUE(platform::FormatLocalTime(kFixedTime, stamp));
        ASSERT_EQ(19u, stamp.size());
    }
    void TearDown() override { platform::SetClockForTesting({}); }
    std::string LogBytes() const { return ReadFileBytes(temp.Root() / "LogFiles" / "QuorKelm.log"); }
    std::filesystem::path LogFile() const { return temp.Root() / "LogFiles" / "QuorKelm.log"; }
    TempFolder temp;
    std::string stamp;  // the fixed time as local time
    OperationLog log;
};
TEST_F(OperationLogTest, LevelsAndTheThreeRowFormatsByteForByte) {
    EXPECT_FALSE(log.LogError("Tag", "unbound"));
    log.Start(temp.Path().substr(0, temp.Path().size() - 1), "QuorKelm.txt", "KelmAPI");  // a separator is added
    EXPECT_TRUE(std::filesystem::is_directory(temp.Root() / "LogFiles"));
    EXPECT_FALSE(std::filesystem::exists(LogFile()));  // the file comes with the first line
    const std::string head = stamp + " ";
    const std::string tag35 = "Tag" + std::string(32, ' ');
    EXPECT_TRUE(log.LogError("FindPathToCuratorCommand", "Cannot find path to the CuratorCommand.exe"));
    EXPECT_TRUE(log.LogWarning("Tag", "both"));
    EXPECT_TRUE(log.LogInfo("Tag", ""));
    EXPECT_TRUE(log.WriteLine("(ERROR)", "", "only message"));
    EXPECT_TRUE(log.WriteLine("(ERROR)", "", ""));
    EXPECT_EQ(head + "(ERROR)   KelmAPI        FindPathToCuratorCommand           " +
                  " - Cannot find path to the CuratorCommand.exe\r\n" +
                  head + "(WARNING) KelmAPI        " + tag35 + " - both\r\n" +
                  head + "(INFO)    KelmAPI        " + tag35 + "\r\n" +
                  head + "(ERROR)   KelmAPI         - only message\r\n" +
                  head + "(ERROR)   KelmAPI         - \r\n",
              LogBytes());
}
TEST_F(OperationLogTest, LongTextsPushTheLineRightAndPercentSignsStay) {
    log.Start(temp.Path(), "QuorKelm", "AnApplicationNameLongerThan15");
    const std::string tag40(40, 'T');
    EXPECT_TRUE(log.LogInfo(tag40, "100% done %s %n %%"));
    EXPECT_TRUE(log.LogInfo("Tag", "a\nb"));  // a line break is written as it is
    EXPECT_EQ(stamp + " (INFO)    AnApplicationNameLongerThan15" + tag40 + " - 100% done %s %n %%\r\n" + stamp +
                  " (INFO)    AnApplicationNameLongerThan15Tag" + std::string(32, ' ') + " - a\r\nb\r\n",
              LogBytes());
}
TEST_F(OperationLogTest, UnconvertibleTimeGivesABlankColumn) {
    std::string text = "stale";
    EXPECT_FALSE(platform::FormatLocalTime(std::numeric_limits<std::int64_t>::max(), text));
    EXPECT_EQ("", text);
    platform::SetClockForTesting([] { return std::numeric_limits<std::int64_t>::max(); });
    log.Start(temp.Path(), "QuorKelm", "KelmAPI");
    EXPECT_TRUE(log.LogError("Tag", "m"));
    EXPECT_EQ(std::string(20, ' ') + "(ERROR)   KelmAPI        Tag" + std::string(32, ' ') + " - m\r\n", LogBytes());
}
TEST_F(OperationLogTest, LinesAccumulateAcrossLogsAndRebindingUnlessAnotherWriterHoldsTheFile) {
    OperationLog second;
    log.Start(temp.Path(), "QuorKelm", "KelmAPI");
    second.Start(temp.Path(), "QuorKelm", "KelmAPI");
    EXPECT_TRUE(log.LogInfo("A", "1"));
    EXPECT_TRUE(second.LogInfo("B", "2"));
    log.Start(temp.Path(), "QuorKelm", "KelmAPI");  // rebinding neither empties nor touches the file
    EXPECT_TRUE(log.LogInfo("C", "3"));
    const std::string bytes = LogBytes(), line = stamp + " (INFO)    KelmAPI        ", pad(34, ' ');
    EXPECT_EQ(line + "A" + pad + " - 1\r\n" + line + "B" + pad + " - 2\r\n" + line + "C" + pad + " - 3\r\n", bytes);
    platform::AppendFile holder;  // a file held by another writer drops the line
    ASSERT_TRUE(holder.Open(LogFile().string()));
    EXPECT_FALSE(log.LogError("Tag", "dropped"));
    holder.Close();
    TempFolder other;  // lines go to the last bound folder
    log.Start(other.Path(), "QuorKelm", "KelmAPI");
    EXPECT_TRUE(log.LogInfo("Tag", "m"));
    EXPECT_EQ(bytes, LogBytes());
    EXPECT_TRUE(std::filesystem::exists(other.Root() / "LogFiles" / "QuorKelm.log"));
}
}  // namespace
}  // namespace kelm

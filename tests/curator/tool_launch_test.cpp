// The component starts the built CuratorCommand.exe, found through the real TQR_CURATOR_BIN; the test
// waits for the tool's reports beside the library, never for the process, which it cannot see.
#include <gtest/gtest.h>
#include <algorithm>
#include <chrono>
#include <thread>
#include "api/Kelm.h"
#include "platform/CodePage.h"
#include "support/TempFolder.h"
#include "util/AutoTypes.h"

namespace kelm {
namespace {
namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::TempFolder;
// The tool's folder as this process names it: a cross build run under Wine
// knows its build tree by the Unix path, which Wine shows as drive Z:.
std::string BuiltToolFolder() {
    std::string folder = KELM_CURATOR_BIN_DIR;
#if defined(_WIN32)
    if (!folder.empty() && folder[0] == '/') folder = "Z:" + folder;
    std::replace(folder.begin(), folder.end(), '/', '\\');
#endif
    return folder;
}

void SetCuratorBin(const std::string& folder) {
#if defined(_WIN32)
    ::SetEnvironmentVariableA("TQR_CURATOR_BIN", folder.empty() ? nullptr : folder.c_str());
#else
    if (folder.empty()) ::unsetenv("TQR_CURATOR_BIN");
    else ::setenv("TQR_CURATOR_BIN", folder.c_str(), 1);
#endif
}

AutoBstr Text(const std::string& text) { return AutoBstr(platform::AnsiToBstr(text)); }

class ToolLaunchTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A folder name with a blank: the library path must stay one argument.
        library = temp.Root() / "My Lib";
        fs::copy(fs::path(KELM_SOURCE_DIR) / "examples" / "library", library, fs::copy_options::recursive);
        qvm = (library / "Demo.qvm").string();
        SetCuratorBin(BuiltToolFolder());
        ASSERT_EQ(S_OK, CKelm::CreateInstance(nullptr, IID_IKelm, kelm.OutVoid()));
    }
    void TearDown() override {
        kelm.reset();
        SetCuratorBin("");
    }
    // The report once the tool has finished writing it (its last line ends in
    // `ending`); empty when nothing like it came within a minute.
    std::string WaitForReport(const std::string& name, const std::string& ending) const {
        const fs::path report = library / "LogFiles" / name;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        while (std::chrono::steady_clock::now() < deadline) {
            const std::string text = ReadFileBytes(report);
            if (text.size() >= ending.size() && text.compare(text.size() - ending.size(), ending.size(), ending) == 0)
                return text;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return {};
    }
    TempFolder temp;
    fs::path library;
    std::string qvm;
    ComPtr<IKelm> kelm;
};
TEST_F(ToolLaunchTest, RunCuratorVerifiesTheNamedLibrary) {
    // No library open: RunCurator names its own.
    ASSERT_EQ(S_OK, kelm->RunCurator(Text(qvm).get(), Text("verify").get()));
    EXPECT_EQ("Verify " + qvm + "\nNo problems found.\n", WaitForReport("Demo.verify.txt", "found.\n"));
}
TEST_F(ToolLaunchTest, RefreshQVMTreeRereadsAPartitionOfTheOpenLibrary) {
    ASSERT_EQ(S_OK, kelm->Kelmstore_Open(Text(qvm).get(), Text("alice").get(), VARIANT_FALSE));
    // A symbol added on disk behind the library's back: the refresh counts it.
    const fs::path symbols = library / "SymbolLibs" / "Gates" / "sym";
    std::string symbol = ReadFileBytes(symbols / "INV.1");
    symbol.replace(symbol.find("\"INV\""), 5, "\"BUF\"");
    std::ofstream(symbols / "BUF.1", std::ios::binary) << symbol;
    ASSERT_EQ(S_OK, kelm->RefreshQVMTree(Text("Gates").get(), KelmEnum_ObjType_LogicSymbol));
    EXPECT_EQ("Refreshed SymbolLibs\\Gates: 3 items, not reserved.\n", WaitForReport("Demo.refresh.txt", ".\n"));
    EXPECT_EQ(S_OK, kelm->Kelmstore_Close());
}
}  // namespace
}  // namespace kelm

// The component starts the built CuratorCommand.exe, found through the real TQR_CURATOR_BIN; the test
// waits for the tool's reports beside the library, never for the process, which it cannot see.
#include <gtest/gtest.h>
#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>
#include "api/Kelm.h"
#include "support/KelmOnLibrary.h"

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
using testing::Bstr;

// The report once the tool has finished writing it (its last line ends in `ending`); empty when nothing
// like it came within a minute.
std::string WaitForReport(const fs::path& report, const std::string& ending) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (std::chrono::steady_clock::now() < deadline) {
        const std::string text = ReadFileBytes(report);
        if (text.size() >= ending.size() && text.compare(text.size() - ending.size(), ending.size(), ending) == 0)
            return text;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return {};
}
// With no library open RunCurator names its own; RefreshQVMTree rereads a partition of the open library.
TEST(ToolLaunch, RunCuratorVerifiesTheNamedLibraryAndRefreshRereadsAPartition) {
    TempFolder temp;
    const fs::path library = temp.Root() / "My Lib";  // a blank: the library path must stay one argument
    fs::copy(fs::path(KELM_SOURCE_DIR) / "examples" / "library", library, fs::copy_options::recursive);
    const std::string qvm = (library / "Demo.qvm").string();
    SetCuratorBin(BuiltToolFolder());
    const std::shared_ptr<void> unset(nullptr, [](void*) { SetCuratorBin(""); });
    ComPtr<IKelm> kelm;
    ASSERT_EQ(S_OK, CKelm::CreateInstance(nullptr, IID_IKelm, kelm.OutVoid()));
    ASSERT_EQ(S_OK, kelm->RunCurator(Bstr(qvm).get(), Bstr("verify").get()));
    EXPECT_EQ("Verify " + qvm + "\nNo problems found.\n", WaitForReport(library / "LogFiles" / "Demo.verify.txt", "found.\n"));
    ASSERT_EQ(S_OK, kelm->Kelmstore_Open(Bstr(qvm).get(), Bstr("alice").get(), VARIANT_FALSE));
    // A symbol added on disk behind the library's back: the refresh counts it.
    const fs::path symbols = library / "SymbolLibs" / "Gates" / "sym";
    std::string symbol = ReadFileBytes(symbols / "INV.1");
    symbol.replace(symbol.find("\"INV\""), 5, "\"BUF\"");
    std::ofstream(symbols / "BUF.1", std::ios::binary) << symbol;
    ASSERT_EQ(S_OK, kelm->RefreshQVMTree(Bstr("Gates").get(), KelmEnum_ObjType_LogicSymbol));
    EXPECT_EQ("Refreshed SymbolLibs\\Gates: 3 items, not reserved.\n",
              WaitForReport(library / "LogFiles" / "Demo.refresh.txt", ".\n"));
    EXPECT_EQ(S_OK, kelm->Kelmstore_Close());
}
}  // namespace
}  // namespace kelm

// End-to-end: kelm check finds each kind of problem in copies of a small,
// clean library, and is clean on the example library.
#include "SmallLibrary.h"

namespace kelm::testing {
namespace {
namespace fs = std::filesystem;
using nlohmann::json;
using CheckCommand = SmallLibrary;
const std::string kParts = "number,cells,symbols,pins\nR1,R0603,Gates:RES,\"1,2\"\nR2,R0603,Gates:RES,\"1,2\"\n";
void Replace(const fs::path& file, const std::string& from, const std::string& to) {
    std::string text = ReadFileBytes(file);
    const std::size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
}
TEST_F(CheckCommand, FindsEachKindOfProblemWithItsFileAndLine) {
    ImportParts(kParts);
    struct Case {  // the finding's severity, kind, file, line and a part of its message
        std::string name;
        std::function<void(const fs::path&)> change;
        std::string severity, kind, file;
        long line;
        std::string message;
    };
    const std::string lineOfR2 = "{\"number\":\"R2\"";
    std::string host = ReadFileBytes("/proc/sys/kernel/hostname");  // this machine, as the system names it
    host.erase(host.find_last_not_of('\n') + 1);
    const std::vector<Case> cases = {
        {"damaged", [&](const fs::path& lib) { Replace(lib / "PartsDBLibs/Res.pdb", lineOfR2, "{\"number\":\"R2\",}"); },
         "error", "damaged-file", "PartsDBLibs/Res.pdb", 3, ""},
        {"cut", [&](const fs::path& lib) { Replace(lib / "CellDBLibs/Smd.cells", "\"lines\":1", "\"lines\":2"); },
         "error", "damaged-file", "CellDBLibs/Smd.cells", 3, "cut short"},
        {"symbol", [&](const fs::path& lib) { std::ofstream(lib / "SymbolLibs/Gates/sym/RES.1", std::ios::app) << "x"; },
         "error", "damaged-file", "SymbolLibs/Gates/sym/RES.1", 3, ""},
        {"nocell", [&](const fs::path& lib) { Replace(lib / "PartsDBLibs/Res.pdb", "\"cells\":[\"R0603\"]", "\"cells\":[\"R0805\"]"); },
         "error", "missing-cell", "PartsDBLibs/Res.pdb", 2, "R1 uses cell R0805"},
        {"nosymbol", [&](const fs::path& lib) { fs::remove(lib / "SymbolLibs/Gates/sym/RES.1"); },
         "error", "missing-symbol", "PartsDBLibs/Res.pdb", 2, "Gates:RES"},
        {"pin", [&](const fs::path& lib) { Replace(lib / "PartsDBLibs/Res.pdb", "\"pins\":[\"1\",\"2\"]", "\"pins\":[\"1\",\"3\"]"); },
         "error", "missing-pin", "PartsDBLibs/Res.pdb", 2, "pin 3, which its cell R0603 does not have"},
        {"twice", [&](const fs::path& lib) { fs::copy_file(lib / "PartsDBLibs/Res.pdb", lib / "PartsDBLibs/Caps.pdb", fs::copy_options::overwrite_existing); },
         "error", "duplicate-part", "PartsDBLibs/Res.pdb", 2, "also in part partition 'Caps'"},
        {"nofile", [&](const fs::path& lib) { fs::remove(lib / "PartsDBLibs/Caps.pdb"); },
         "error", "missing-file", "PartsDBLibs/Caps.pdb", 0, "part partition 'Caps'"},
        {"stray", [&](const fs::path& lib) { fs::create_directories(lib / "SymbolLibs/Old/sym"); },
         "error", "orphan-file", "SymbolLibs/Old", 0, "no symbol partition 'Old'"},
        {"unused", [&](const fs::path& lib) { Run({"-l", lib.filename().string() + "/Demo.qvm", "symbol", "add", "Gates", "AND"}); },
         "warning", "unused-symbol", "SymbolLibs/Gates/sym/AND.1", 0, "Gates:AND"},
        {"stale", [&](const fs::path& lib) {
             std::ofstream(lib / "Demo.reservations") << "{\"kelm\":\"reservations\",\"version\":1,\"lines\":1}\n"
                                                         "{\"partition\":\"PartsDBLibs\\\\Gone.pdb\",\"holder\":\"bob\"}\n";
         }, "warning", "reservation", "Demo.reservations", 2, "stale"},
        {"lock", [&](const fs::path& lib) {
             std::ofstream(lib / "Demo.lock") << "{\"kelm\":\"lock\",\"version\":1,\"lines\":1}\n{\"user\":\"bob\",\"host\":\""
                                              << host << "\",\"pid\":2147483000,\"time\":1}\n";
         }, "warning", "stale-lock", "Demo.lock", 0, "no longer runs"},
    };
    for (const Case& c : cases) {
        fs::copy(m_folder.Root() / "lib", m_folder.Root() / c.name, fs::copy_options::recursive);  // a changed copy
        c.change(m_folder.Root() / c.name);
        const KelmResult result = Run({"-l", c.name + "/Demo.qvm", "--json", "check"});
        const json document = json::parse(result.out, nullptr, false);
        ASSERT_TRUE(document.is_object() && document.contains("data")) << c.name << ": " << result.out << result.err;
        const json& report = document["data"];
        EXPECT_EQ(result.code, c.severity == "error" ? 1 : 0) << c.name;
        ASSERT_FALSE(report["findings"].empty()) << c.name;
        for (const json& other : report["findings"]) EXPECT_EQ(other["kind"], c.kind) << c.name << ": " << report.dump(1);
        const json& finding = report["findings"][0];
        EXPECT_EQ(finding["severity"], c.severity) << c.name;
        EXPECT_EQ(finding["file"], c.file) << c.name;
        EXPECT_EQ(finding["line"], c.line) << c.name;
        EXPECT_NE(finding["message"].get<std::string>().find(c.message), std::string::npos) << c.name << ": " << finding["message"];
    }
}
TEST_F(CheckCommand, ExitCodesFollowErrorsWarningsAndTheOptions) {
    ImportParts(kParts);
    ExpectAll({
        {{"check"}, 0, {"4 partitions, 2 part types, 1 cells, 1 symbols"}},
        {{"reserve", "Caps", "-k", "part"}, 0, {}, "mallory"},
        {{"check", "--users", "alice,bob"}, 0, {"warning: Demo.reservations.journal, line 5: the reservation of "
                                                "PartsDBLibs\\Caps.pdb is held by 'mallory', who is not a known user [reservation]"}},
        {{"check", "--users", "alice,bob", "--fail-on-warnings"}, 1, {}},
        {{"check", "--users", "Mallory", "--fail-on-warnings"}, 0, {}},  // names without case
    });
    // A damaged configuration is the one finding; a missing library fails.
    Write("lib/Demo.qvm", "{\"kelm\":\"library\",\"version\":2,\"lines\":0}\n");
    ExpectAll({{{"check"}, 1, {"error: Demo.qvm, line 1: "}}});
    EXPECT_EQ(Run({"-l", "none/Gone.qvm", "check"}).code, 1);
    EXPECT_EQ(Run({"check"}).code, 2);
    fs::copy(fs::path(KELM_SOURCE_DIR) / "examples/library", m_folder.Root() / "example", fs::copy_options::recursive);
    const KelmResult example = Run({"-l", "example/Demo.qvm", "check", "--fail-on-warnings"});
    EXPECT_EQ(example.code, 0) << example.out << example.err;
    EXPECT_NE(example.out.find("0 errors, 0 warnings."), std::string::npos) << example.out;
}
}  // namespace
}  // namespace kelm::testing

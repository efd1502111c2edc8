// End-to-end: imports of real-world files never change data silently.
#include <map>
#include "SmallLibrary.h"
#include "TextEncoding.h"

namespace kelm::testing {
namespace {
using nlohmann::json;
TEST(TextEncoding, DecodesEveryByteOrNamesTheFirstBadOne) {
    const struct { std::string name, bytes, utf8, where; } cases[] = {  // utf8 empty: refused, where: part of the error
        {"cp1252", "\x80 \x93q\x94 \xB5", "€ “q” µ", ""},
        {"cp1252", "ok\nbad \x81", "", "line 2, byte 5 (0x81)"},
        {"utf-8", "\xEF\xBB\xBFµ ok", "µ ok", ""},
        {"utf-8", "a\nb\n100 \xB5" "F", "", "line 3, byte 5 (0xB5)"},
        {"library", "\xC0\xAF", "", "line 1, byte 1"},  // an overlong form is not UTF-8
        {"utf8", "\xED\xA0\x80", "", "line 1"},          // nor is a surrogate
    };
    for (const auto& c : cases) {
        kelmcli::Encoding encoding{};
        ASSERT_TRUE(kelmcli::ParseEncoding(c.name, encoding)) << c.name;
        std::string text, error;
        const bool ok = kelmcli::DecodeToUtf8(c.bytes, encoding, text, error);
        EXPECT_EQ(ok, !c.utf8.empty()) << c.name << " " << c.bytes << ": " << error;
        if (ok) {
            EXPECT_EQ(text, c.utf8);
        } else {
            EXPECT_NE(error.find(c.where), std::string::npos) << error;
        }
    }
}

class ImportHonesty : public SmallLibrary {
protected:
    void SetUp() override {
        SmallLibrary::SetUp();
        Write("cells.csv", "name\nR0603\n");
        ASSERT_EQ(Kelm({"import", "cells", "cells.csv", "-p", "Smd", "--reserve"}).code, 0);
    }
    json Import(const std::string& file, std::vector<std::string> options = {}) {
        std::vector<std::string> args = {"import", "parts", file, "--reserve"};
        args.insert(args.end(), options.begin(), options.end());
        return Json(args);
    }
};
// The encoding and the delimiter are found or given, never guessed; a partition that is not reserved, or
// is reserved by another user, refuses the file.
TEST_F(ImportHonesty, AFileIsImportedExactlyOrRefused) {
    Write("latin1.csv", "number,name,description\nC1,100 \xB5" "F,\xB1" "10%\n");
    Write("semi.csv", "number;name;cells;partition\nS1;a, b;R0603;Res\n");
    Write("tab.txt", "number\tname\tpartition\nT1\tx;y\tRes\n");
    Write("comma.csv", "number,name,partition\nK1,k,Res\n");
    Write("parts.csv", "number\nP1\n");
    ExpectAll({
        {{"import", "parts", "latin1.csv", "-p", "Res", "--reserve"}, 2, {"line 2", "--encoding"}},
        {{"import", "parts", "latin1.csv", "-p", "Res", "--reserve", "--encoding", "latin1"}, 0, {"Imported 1 of 1"}},
        {{"import", "parts", "semi.csv", "--reserve"}, 0, {"Imported 1 of 1"}},
        {{"import", "parts", "tab.txt", "--reserve", "--delimiter", "tab"}, 0, {"Imported 1 of 1"}},
        {{"import", "parts", "comma.csv", "--reserve", "--delimiter", ";"}, 2, {"is the delimiter right?"}},
        {{"import", "parts", "comma.csv", "--reserve", "--delimiter", "|"}, 2, {}},
        {{"import", "parts", "comma.csv", "--reserve", "--encoding", "ebcdic"}, 2, {}},
        {{"import", "parts", "parts.csv", "-p", "Caps"}, 3, {"is not reserved", "--reserve"}},
        {{"reserve", "Caps", "--kind", "part"}, 0, {}, "bob"},
        {{"import", "parts", "parts.csv", "-p", "Caps", "--reserve"}, 3, {"0x80041002 (partition reserved by another user)"}},
        {{"holder", "Caps", "--kind", "part"}, 0, {"bob"}},
    });
    EXPECT_EQ(Items("Res"), (std::vector<std::string>{"C1", "S1", "T1"}));
    EXPECT_TRUE(Items("Caps").empty());
    const std::string file = Read("lib/PartsDBLibs/Res.pdb");
    for (const char* field : {"\"name\":\"100 µF\"", "\"description\":\"±10%\"", "\"name\":\"a, b\""})
        EXPECT_NE(file.find(field), std::string::npos) << field << " in " << file;
}
// Every row imports or is reported with its line and reason; adjusted names are counted, the run's
// reservation is given back; without --overwrite an existing number fails with the component's reason.
TEST_F(ImportHonesty, BadRowsReportTheirLineAndFailAloneWhileTheOthersImport) {
    Write("mixed.csv",
          "number,name,cells,partition\n"
          "Q1,\"unterminated,1,c\n"         // line 2: a stray quote
          "Q2,ok,\"R0603\",Res\n"           // line 3: must not be swallowed
          "Q3,few\n"                         // line 4: too few fields
          "Q4,a,R0603,Res,extra\n"           // line 5: too many
          "Q5,a,R0603,Nowhere\n"             // line 6: unknown partition
          + std::string("\0\0\0\n", 4) +     // line 7: NUL bytes
          "Q6,fine,R0603,Caps\n"
          "A\\B,adjusted,R0603,Res\n"
          ",no number,,Res\n"                // line 10
          "R3,bad cell,\"R0603[1,2\",Res\n");  // line 11
    ExpectAll({{{"import", "parts", "mixed.csv", "--reserve"}, 3,
                {"Imported 3 of 10 part types", "Adjusted names: 1", "line 10: no part number", "line 11 (R3)", "LogFiles"}}});
    EXPECT_TRUE(Json({"info"})["reservations"].empty());
    EXPECT_EQ(Items("Res").size(), 2u);
    EXPECT_EQ(Items("Caps"), (std::vector<std::string>{"Q6"}));
    const json summary = Import("mixed.csv", {"--overwrite"});
    EXPECT_EQ(summary["imported"], 3) << summary.dump(1);
    EXPECT_EQ(summary["saved"], true);
    std::map<long, std::string> failures;
    for (const auto& failure : summary["failures"]) failures[failure["line"].get<long>()] = failure["reason"];
    ASSERT_EQ(failures.size(), 7u) << summary.dump(1);
    for (const auto& [line, reason] : std::map<long, std::string>{{2, "quote"}, {4, "too few"}, {5, "too many"},
                                                                  {6, "no part partition 'Nowhere'"}, {7, "control character 0x00"}})
        EXPECT_NE(failures[line].find(reason), std::string::npos) << line;
    const json clash = Import("mixed.csv");
    EXPECT_EQ(clash["imported"], 0);
    const json existing = clash["failures"][1];  // line 3, after the stray quote
    EXPECT_EQ(existing["line"], 3);
    EXPECT_EQ(existing.value("name", ""), "E_FAIL");
    EXPECT_NE(existing["reason"].get<std::string>().find("already exists"), std::string::npos) << clash.dump();
    ExpectAll({{{"import", "parts", "mixed.csv", "-p", "Nowhere", "--reserve"}, 3, {}}});  // refuses the whole run
}
// The summary follows the log: a row during which the component logged an
// error fails, although the component answered 0.
TEST_F(ImportHonesty, AComponentErrorCountsAsAFailedRowAndTheCountsMatchTheLog) {
    Write("cells2.csv", "name,pins\nR0603,\"1,2\"\nNOTINFILE,\"1,2\"\n");
    ExpectAll({{{"import", "cells", "cells2.csv", "-p", "Smd", "--overwrite", "--reserve"}, 3,
                {"Imported 1 of 2 cells",
                 "Failed: 1\n  line 3 (NOTINFILE): added with errors: Cell NOTINFILE not found in CEL file"}}});
    const std::string log = Read("lib/LogFiles/QuorKelm.log");
    std::size_t errors = 0;
    for (std::size_t at = log.find("(ERROR)"); at != std::string::npos; at = log.find("(ERROR)", at + 1)) ++errors;
    EXPECT_EQ(errors, 1u) << log;
    // A part type that names a cell and a symbol the library lacks imports,
    // with a warning for each.
    Write("refs.csv", "number,cells,symbols\nP1,NOCELL,gates:RES;Gates:NOSYM\nP2,R0603,Gates:RES\n");
    const json refs = Import("refs.csv", {"-p", "Res"});
    EXPECT_EQ(refs["imported"], 2);
    ASSERT_EQ(refs["warnings"].size(), 2u) << refs.dump(1);
    EXPECT_EQ(refs["warnings"][0]["text"], "cell 'NOCELL' is in no cell partition");
    EXPECT_EQ(refs["warnings"][1]["text"], "symbol 'Gates:NOSYM' does not exist");
}
TEST_F(ImportHonesty, ADryRunLeavesEveryFileByteIdenticalAndStrictSavesNothing) {
    ASSERT_EQ(Kelm({"reserve", "Res", "-k", "part"}).code, 0);
    Write("first.csv", "number\nEXISTS\n");
    ASSERT_EQ(Import("first.csv", {"-p", "Res"})["imported"], 1);
    Write("dry.csv", "number,cells\nNEW1,R0603\nEXISTS,\nNEW1,\n\"bad\n");
    auto snapshot = [&] {
        std::map<std::string, std::string> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(m_folder.Root() / "lib"))
            if (entry.is_regular_file()) files[entry.path().string()] = ReadFileBytes(entry.path());
        return files;
    };
    const auto before = snapshot();
    const json dry = Import("dry.csv", {"-p", "Res", "--dry-run"});
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(dry["dry_run"], true);
    EXPECT_EQ(dry["imported"], 1) << dry.dump(1);
    ASSERT_EQ(dry["failed"], 3);
    EXPECT_NE(dry["failures"][0]["reason"].get<std::string>().find("already exists (in partition 'Res')"), std::string::npos);
    EXPECT_NE(dry["failures"][1]["reason"].get<std::string>().find("comes twice"), std::string::npos);
    // --strict stops at the first bad row and saves nothing.
    const json strict = Import("dry.csv", {"-p", "Res", "--strict"});
    EXPECT_EQ(strict["stopped"], true);
    EXPECT_EQ(strict["saved"], false);
    EXPECT_EQ(strict["failures"][0]["line"], 3);
    EXPECT_EQ(Items("Res"), (std::vector<std::string>{"EXISTS"}));
    // The same file really imported fails the same rows.
    const json real = Import("dry.csv", {"-p", "Res"});
    EXPECT_EQ(real["imported"], 1);
    EXPECT_EQ(real["failed"], 3);
}
// Every field survives export, deletion (part numbers are unique) and import into another partition.
TEST_F(ImportHonesty, ExportThenImportIntoAnotherPartitionGivesTheSameItems) {
    Write("parts.jsonl",
          "{\"number\":\"R1\",\"name\":\"Res, 1k \xF0\x9F\x94\x8C\",\"label\":\"R?\",\"type\":\"Resistor\","
          "\"description\":\"say \\\"hi\\\"\",\"timestamp\":11,\"cells\":[{\"name\":\"R0603\",\"pins\":[\"1\",\"2\"]}],"
          "\"symbols\":[{\"spec\":\"Gates:RES\",\"pins\":[\"A\",\"B\"]}]}\n"
          "{\"number\":\"R2\",\"timestamp\":12}\n");
    ASSERT_EQ(Import("parts.jsonl", {"-p", "Res"})["imported"], 2);
    std::string source = "Res";
    for (const std::string format : {"csv", "jsonl"}) {
        const std::string file = "export." + format, target = format == "csv" ? "Caps" : "Again";
        const std::string original = Kelm({"export", source, "--kind", "part", "--format", format}).out;
        ASSERT_NE(original.find("R2"), std::string::npos) << original;
        ASSERT_EQ(Kelm({"export", source, "--kind", "part", "--format", format, "-o", file}).code, 0);
        ASSERT_EQ(Kelm({"partition", "delete", source, "--kind", "part"}).code, 0);
        if (target == "Again") {
            ASSERT_EQ(Kelm({"partition", "add", target, "--kind", "part"}).code, 0);
        }
        const KelmResult imported = Kelm({"import", "parts", file, "-p", target, "--reserve"});
        ASSERT_EQ(imported.code, 0) << imported.out << imported.err;
        std::string copy = Kelm({"export", target, "--kind", "part", "--format", format}).out;
        for (std::size_t at; (at = copy.find(target)) != std::string::npos;) copy.replace(at, target.size(), source);
        EXPECT_EQ(copy, original) << format;
        source = target;
    }
}
}  // namespace
}  // namespace kelm::testing

// Runs of the built kelm binary, and a small library made through it (lib/Demo.qvm, default scheme): part
// partitions Res and Caps, cell partition Smd (cell file: R0603, pins 1,2, padstack P1), symbol partition
// Gates (RES, pins A,B). Commands run as alice unless another user is given.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include "support/TempFolder.h"

namespace kelm::testing {
struct KelmResult {
    int code = -1;
    std::string out, err;
};

inline std::string ShellQuote(const std::string& word) {
    std::string quoted = "'";
    for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}
// kelm with the arguments, run in the folder; environment: shell assignments
// put before the command ("A=1 B=").
inline KelmResult RunKelm(const std::filesystem::path& folder, const std::vector<std::string>& args,
                          const std::string& environment = {}) {
    std::string command = "cd " + ShellQuote(folder.string()) + " && " + environment + " " + ShellQuote(KELM_CLI_BINARY);
    for (const auto& arg : args) command += " " + ShellQuote(arg);
    const auto out = folder / ".kelm-out", err = folder / ".kelm-err";
    command += " >" + ShellQuote(out.string()) + " 2>" + ShellQuote(err.string()) + " </dev/null";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFileBytes(out), ReadFileBytes(err)};
}

class SmallLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(Run({"init", "lib/Demo.qvm"}).code, 0);
        for (const auto& [name, kind] : std::vector<std::pair<std::string, std::string>>{
                 {"Res", "part"}, {"Caps", "part"}, {"Smd", "cell"}, {"Gates", "symbol"}}) {
            ASSERT_EQ(Kelm({"partition", "add", name, "--kind", kind, "--default-scheme"}).code, 0);
        }
        ASSERT_EQ(Run({"celldb", "add", "lib/CellDBLibs/Smd.cel", "R0603", "--pins", "1,2", "--padstacks", "P1"}).code, 0);
        ASSERT_EQ(Kelm({"symbol", "add", "Gates", "RES", "--pins", "A,B"}).code, 0);
    }
    KelmResult Run(const std::vector<std::string>& args, const std::string& environment = {}) {
        return RunKelm(m_folder.Root(), args, environment);
    }
    KelmResult Kelm(std::vector<std::string> args, const std::string& user = "alice", const std::string& environment = {}) {
        args.insert(args.begin(), {"-l", "lib/Demo.qvm", "-u", user});
        return Run(args, environment);
    }
    // One run of kelm on the library: its exit code and fragments of stderr + stdout.
    struct Says {
        std::vector<std::string> args;
        int code;
        std::vector<std::string> says;
        std::string user = "alice", environment = {};
    };
    void ExpectAll(const std::vector<Says>& runs) {
        for (const Says& run : runs) {
            const KelmResult result = Kelm(run.args, run.user, run.environment);
            const std::string said = result.err + result.out, name = ::testing::PrintToString(run.args) + " as " + run.user;
            EXPECT_EQ(result.code, run.code) << name << ": " << said;
            for (const std::string& says : run.says) EXPECT_NE(said.find(says), std::string::npos) << name << ": " << said;
        }
    }
    // The data of the --json answer (the whole document when it has none).
    nlohmann::json Json(std::vector<std::string> args) {
        args.insert(args.begin(), "--json");
        const nlohmann::json document = nlohmann::json::parse(Kelm(args).out, nullptr, false);
        return document.is_object() && document.contains("data") ? document["data"] : document;
    }
    std::string Write(const std::string& name, const std::string& text) { return m_folder.File(name, text); }
    std::string Read(const std::string& name) { return ReadFileBytes(m_folder.Root() / name); }
    std::vector<std::string> Items(const std::string& partition, const std::string& kind = "part") {
        const nlohmann::json items = Json({"items", partition, "-k", kind})["items"];
        return items.is_array() ? items.get<std::vector<std::string>>() : std::vector<std::string>{};
    }
    // Imports cell R0603 into Smd and parts (CSV text) into Res.
    void ImportParts(const std::string& csv) {
        Write("cells.csv", "name\nR0603\n");
        ASSERT_EQ(Kelm({"import", "cells", "cells.csv", "-p", "Smd", "--reserve"}).code, 0);
        Write("parts.csv", csv);
        const KelmResult parts = Kelm({"import", "parts", "parts.csv", "-p", "Res", "--reserve"});
        ASSERT_EQ(parts.code, 0) << parts.out << parts.err;
    }
    TempFolder m_folder;
};
}  // namespace kelm::testing

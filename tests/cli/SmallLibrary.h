// A small library made through the built kelm binary in a temporary folder
// (lib/Demo.qvm): part partitions Res and Caps, cell partition Smd (cell
// R0603 with pins 1,2 and padstack P1 in its cell file), symbol partition
// Gates (symbol RES, pins A,B); all in the default search scheme. Commands
// run as alice unless another user is given.
#pragma once

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "KelmRun.h"
#include "support/TempFolder.h"

namespace kelm::testing {

class SmallLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(Run({"init", "lib/Demo.qvm"}).code, 0);
        for (const auto& [name, kind] : std::vector<std::pair<std::string, std::string>>{
                 {"Res", "part"}, {"Caps", "part"}, {"Smd", "cell"}, {"Gates", "symbol"}}) {
            ASSERT_EQ(Kelm({"partition", "add", name, "--kind", kind, "--default-scheme"}).code, 0);
        }
        ASSERT_EQ(Run({"celldb", "add", "lib/CellDBLibs/Smd.cel", "R0603", "--pins", "1,2", "--padstacks", "P1"}).code, 0);
        ASSERT_EQ(Run({"-l", "lib/Demo.qvm", "symbol", "add", "Gates", "RES", "--pins", "A,B"}).code, 0);
    }

    // environment: shell assignments put before the command ("A=1 B=").
    KelmResult Run(const std::vector<std::string>& args, const std::string& environment = {}) {
        return RunKelm(m_folder.Root(), args, environment);
    }
    KelmResult Kelm(std::vector<std::string> args, const std::string& user = "alice", const std::string& environment = {}) {
        args.insert(args.begin(), {"-l", "lib/Demo.qvm", "-u", user});
        return Run(args, environment);
    }
    nlohmann::json Json(std::vector<std::string> args, const std::string& user = "alice", const std::string& environment = {}) {
        args.insert(args.begin(), "--json");
        const KelmResult result = Kelm(args, user, environment);
        const nlohmann::json document = nlohmann::json::parse(result.out, nullptr, false);
        return document.is_object() && document.contains("data") ? document["data"] : document;  // the answer
    }
    std::string Write(const std::string& name, const std::string& text) { return m_folder.File(name, text); }
    std::string Read(const std::string& name) { return ReadFileBytes(m_folder.Root() / name); }
    // The item names of a partition.
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

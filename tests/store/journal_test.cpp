// The journal beside a large part file: small saves append to it, every reader sees the file with it folded in, a
// stale or torn journal is ignored, and a crash while appending or folding leaves correct answers.
#include <gtest/gtest.h>
#include <cstdlib>
#include <random>
#include "ChildProcess.h"
#include "LibraryAnswers.h"
#include "store/format/PartJournal.h"
#include "support/TempFolder.h"
#include "support/TempLibrary.h"
using namespace kelm;
using namespace kelm::store;
using kelm::testing::TempLibrary;
namespace {
constexpr int kParts = 400;  // a file large enough for a journal
const std::string kPdb = "PartsDBLibs/Resistors.pdb", kJournal = kPdb + kJournalExtension;
std::string Description(int i) { return "D" + std::to_string(i) + " of a resistor of the journal test"; }
// P0..P399 and R1 (with what the child's edit-and-save needs); or a copy.
void MakeLibrary(const TempLibrary& lib, const TempLibrary* from = nullptr) {
    if (from) return kelm::testing::CopyTree(from->Folder(), lib.Folder());
    lib.AddPartitions({"PartsDBLibs\\Resistors.pdb", "PartsDBLibs\\Caps.pdb", "CellDBLibs\\Smd.cel"});
    lib.Reserve("PartsDBLibs\\Resistors.pdb", "alice");
    lib.Reserve("CellDBLibs\\Smd.cel", "alice");
    auto session = lib.Open();
    KelmPart parts(*session, nullptr);
    parts.SetWorkingUserName("alice");
    for (int i = 0; i <= kParts; ++i) {
        const std::string number = i < kParts ? "P" + std::to_string(i) : "R1";
        ASSERT_EQ(S_OK, parts.Add("Resistors", {"1", "2"}, number, nullptr, 0, 0));
        ASSERT_EQ(S_OK, parts.SetDesc(Description(i), number));
    }
    ASSERT_EQ(S_OK, session->Save(nullptr, 0, 0));
}
bool Exists(const TempLibrary& lib, const std::string& file) { return platform::StampOf(lib.Path(file)).exists; }
void ExpectAnswersOfFiles(const TempLibrary& lib, const std::string& where) {
    kelm::testing::ExpectAnswersOfFiles(lib, {"P0", "P7", "NEW", "NOWHERE"}, where);
}
}  // namespace

// Two sessions edit in turn against a model; a few edits append, many fold.
TEST(PartJournal, SavesAgreeWithAModelAcrossSessions) {
    TempLibrary lib;
    MakeLibrary(lib);
    const char* seedText = std::getenv("KELM_JOURNAL_SEED");  // replays a run
    const unsigned seed = seedText ? static_cast<unsigned>(std::strtoul(seedText, nullptr, 10)) : std::random_device{}();
    std::mt19937 random(seed);
    std::map<std::string, std::string> model, seen;  // number -> description
    for (int i = 0; i <= kParts; ++i) model[i < kParts ? "P" + std::to_string(i) : "R1"] = Description(i);
    std::unique_ptr<KelmServer> sessions[2] = {lib.Open(), lib.Open()};
    bool journaled = false;
    for (int round = 0; round < 40; ++round) {
        KelmServer& session = *sessions[round % 2];
        ASSERT_EQ(S_OK, session.Load(nullptr, 0));
        KelmPart parts(session, nullptr);
        parts.SetWorkingUserName("alice");
        for (int e = 0, edits = random() % 4 ? 1 + random() % 5 : 80; e < edits; ++e) {
            const std::string number = "P" + std::to_string(random() % (kParts + 40)), text = std::to_string(random());
            if (model.count(number) && random() % 3 == 0) {
                ASSERT_EQ(S_OK, parts.Delete(number));
                model.erase(number);
                continue;
            }
            if (!model.count(number)) { ASSERT_EQ(S_OK, parts.Add("Resistors", {"1"}, number, nullptr, 0, 0)); }
            ASSERT_EQ(S_OK, parts.SetDesc(text, number));
            model[number] = text;
        }
        ASSERT_EQ(S_OK, session.Save(nullptr, 0, 0)) << session.LastErrorText() << " (KELM_JOURNAL_SEED=" << seed << ")";
        journaled = journaled || Exists(lib, kJournal);
        auto reader = lib.Open(1);
        KelmPart check(*reader, nullptr);
        StringList numbers;
        PartRecord record;
        ASSERT_EQ(S_OK, check.GetPartsInPartition(numbers, "Resistors"));
        seen.clear();
        for (const std::string& number : numbers) {
            ASSERT_EQ(S_OK, check.GetRecord(number, record));
            seen[number] = record.description;
        }
        ASSERT_EQ(model, seen) << "round " << round << " (KELM_JOURNAL_SEED=" << seed << ")";
    }
    EXPECT_TRUE(journaled);
    ExpectAnswersOfFiles(lib, "after the model run");
}

// Records whose commit is missing or torn, another file's journal and a damaged line do not count; whole records do.
// A save folds the journal.
TEST(PartJournal, OnlyCommittedRecordsOfTheFilesOwnJournalCount) {
    TempLibrary base;
    MakeLibrary(base);
    const std::string file = base.ReadFile(kPdb), header = JournalHeader(file);
    std::string records;
    AppendJournalSave(records, {}, {"P1"});  // deletes P1, then commits
    const std::string cut = records.substr(0, records.find('\n') + 1);
    const std::vector<std::pair<std::string, bool>> journals{{header + records, true}, {header + records.substr(0, records.size() - 1), false},
                                                             {header + cut, false}, {JournalHeader("other") + records, false},
                                                             {header + "x" + records, false}};
    for (const auto& [journal, counts] : journals) {
        TempLibrary lib;
        MakeLibrary(lib, &base);
        lib.WriteFile(kJournal, journal);
        std::string text, error;
        ASSERT_EQ(platform::FileResult::Ok, ReadPartFile(lib.Path(kPdb), text, error));
        EXPECT_EQ(counts, text.find("\"P1\"") == std::string::npos) << journal;
        ExpectAnswersOfFiles(lib, journal);
        auto session = lib.Open();
        KelmPart parts(*session, nullptr);
        parts.SetWorkingUserName("alice");
        ASSERT_EQ(S_OK, parts.Add("Resistors", {}, "NEW", nullptr, 0, 0));
        ASSERT_EQ(S_OK, session->Save(nullptr, 0, 0));
        EXPECT_EQ(counts, Exists(lib, kJournal)) << "an unusable journal is folded at the next save";
        ExpectAnswersOfFiles(lib, journal);
    }
}

// The child's edit-and-save (21 part types) appends to the journal, or folds it when it already holds 30 records; a
// crash at each write step of either.
TEST(PartJournal, ACrashWhileAppendingOrFoldingLeavesCorrectAnswers) {
    TempLibrary appending, folding;
    MakeLibrary(appending);
    MakeLibrary(folding, &appending);
    auto session = folding.Open();
    KelmPart parts(*session, nullptr);
    parts.SetWorkingUserName("alice");
    for (int i = 100; i < 130; ++i) ASSERT_EQ(S_OK, parts.Delete("P" + std::to_string(i)));
    ASSERT_EQ(S_OK, session->Save(nullptr, 0, 0));
    ASSERT_TRUE(Exists(folding, kJournal));
    for (const TempLibrary* base : {&appending, &folding}) {
        for (int step = 1; step < 60; ++step) {
            TempLibrary lib;
            MakeLibrary(lib, base);
            const bool done = kelm::testing::RunStoreChild({"edit-and-save", lib.File(), std::to_string(step)});
            ExpectAnswersOfFiles(lib, "step " + std::to_string(step));
            if (done) {
                EXPECT_EQ(base == &appending, Exists(lib, kJournal));
                break;
            }
        }
    }
}

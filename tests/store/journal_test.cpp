// The journal beside a large part file: small saves append to it, every
// reader sees the file with the journal folded in, a journal that does not
// belong to its file or ends torn is ignored, and a crash while appending
// or folding leaves a library whose answers are those of its files.
#include <gtest/gtest.h>

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

void MakeLibrary(const TempLibrary& lib) {
    lib.AddPartitions({"PartsDBLibs\\Resistors.pdb", "PartsDBLibs\\Caps.pdb"});
    lib.Reserve("PartsDBLibs\\Resistors.pdb", "alice");
    auto session = lib.Open();
    KelmPart parts(*session, nullptr);
    parts.SetWorkingUserName("alice");
    for (int i = 0; i < kParts; ++i) {
        ASSERT_EQ(S_OK, parts.Add("Resistors", {"1", "2"}, "P" + std::to_string(i), nullptr, 0, 0));
        ASSERT_EQ(S_OK, parts.SetDesc("a resistor of the journal test, number " + std::to_string(i), "P" + std::to_string(i)));
    }
    ASSERT_EQ(S_OK, session->Save(nullptr, 0, 0));
}

bool Exists(const TempLibrary& lib, const std::string& file) { return platform::StampOf(lib.Path(file)).exists; }

void ExpectAnswersOfFiles(const TempLibrary& lib, const std::string& where) {
    auto session = lib.Open();
    const auto expected = kelm::testing::AnswersFromFiles(lib.File(), {"P0", "P1", "P7", "NEW", "NOWHERE"});
    EXPECT_EQ(expected, kelm::testing::AnswersOf(*session, expected)) << where;
}
}  // namespace

// Random edits in two sessions, each saving in turn, against a model of
// the partition; a few edits go to the journal, many fold it.
TEST(PartJournal, SavesAgreeWithAModelAcrossSessions) {
    TempLibrary lib;
    MakeLibrary(lib);
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    std::map<std::string, std::string> model;  // number -> description
    for (int i = 0; i < kParts; ++i) model["P" + std::to_string(i)] = "a resistor of the journal test, number " + std::to_string(i);
    std::unique_ptr<KelmServer> sessions[2] = {lib.Open(), lib.Open()};
    bool journaled = false;
    for (int round = 0; round < 40; ++round) {
        KelmServer& session = *sessions[round % 2];
        ASSERT_EQ(S_OK, session.Load(nullptr, 0));
        KelmPart parts(session, nullptr);
        parts.SetWorkingUserName("alice");
        const int edits = random() % 4 == 0 ? 80 : 1 + static_cast<int>(random() % 5);
        for (int e = 0; e < edits; ++e) {
            const std::string number = "P" + std::to_string(random() % (kParts + 40));
            const std::string text = "edit " + std::to_string(round) + "." + std::to_string(e);
            if (!model.count(number)) {
                ASSERT_EQ(S_OK, parts.Add("Resistors", {"1"}, number, nullptr, 0, 0));
                model[number].clear();
            } else if (random() % 3 == 0) {
                ASSERT_EQ(S_OK, parts.Delete(number));
                model.erase(number);
                continue;
            }
            ASSERT_EQ(S_OK, parts.SetDesc(text, number));
            model[number] = text;
        }
        ASSERT_EQ(S_OK, session.Save(nullptr, 0, 0)) << session.LastErrorText() << " (seed " << seed << ")";
        journaled = journaled || Exists(lib, kJournal);
        auto reader = lib.Open(1);
        KelmPart check(*reader, nullptr);
        StringList numbers;
        ASSERT_EQ(S_OK, check.GetPartsInPartition(numbers, "Resistors"));
        ASSERT_EQ(model.size(), numbers.size()) << "round " << round << " (seed " << seed << ")";
        for (const auto& [number, description] : model) {
            PartRecord record;
            ASSERT_EQ(S_OK, check.GetRecord(number, record)) << number << " (seed " << seed << ")";
            EXPECT_EQ(description, record.description) << number << " (seed " << seed << ")";
        }
    }
    EXPECT_TRUE(journaled);
    ExpectAnswersOfFiles(lib, "after the model run");
}

TEST(PartJournal, ATornStaleOrDamagedJournalIsIgnoredAndTheNextSaveFoldsIt) {
    TempLibrary base;
    MakeLibrary(base);
    const std::string file = base.ReadFile(kPdb);
    std::string records;
    PartMap none;
    AppendJournalSave(records, none, {"P1"});  // deletes P1
    const std::string header = JournalHeader(file);
    const std::string journals[] = {header + records.substr(0, records.size() - 1), header + records.substr(0, records.find('\n') + 1),
                                    JournalHeader("another file") + records, header + "x" + records};
    for (const std::string& journal : journals) {
        TempLibrary lib;
        kelm::testing::CopyTree(base.Folder(), lib.Folder());
        lib.WriteFile(kJournal, journal);
        std::string text, error;
        ASSERT_EQ(platform::FileResult::Ok, ReadPartFile(lib.Path(kPdb), text, error));
        EXPECT_EQ(file, text);  // P1 is still there
        ExpectAnswersOfFiles(lib, journal);
        auto session = lib.Open();
        KelmPart parts(*session, nullptr);
        parts.SetWorkingUserName("alice");
        ASSERT_EQ(S_OK, parts.Add("Resistors", {}, "NEW", nullptr, 0, 0));
        ASSERT_EQ(S_OK, session->Save(nullptr, 0, 0));
        EXPECT_FALSE(Exists(lib, kJournal)) << "the save folds the journal";
        ExpectAnswersOfFiles(lib, journal);
    }
    TempLibrary lib;  // the whole records do count
    kelm::testing::CopyTree(base.Folder(), lib.Folder());
    lib.WriteFile(kJournal, header + records);
    std::string text, error;
    ASSERT_EQ(platform::FileResult::Ok, ReadPartFile(lib.Path(kPdb), text, error));
    EXPECT_EQ(std::string::npos, text.find("\"P1\""));
}

// The child deletes one part type (appended) or a hundred (folded) from a
// library whose journal already holds a save, ending at every write step.
TEST(PartJournal, ACrashWhileAppendingOrFoldingLeavesCorrectAnswers) {
    TempLibrary base;
    MakeLibrary(base);
    ASSERT_TRUE(kelm::testing::RunStoreChild({"delete-and-save", base.File(), "0", "7", "1"}));
    ASSERT_TRUE(Exists(base, kJournal));
    for (const auto& [first, count] : {std::pair{"0", "1"}, std::pair{"8", "100"}}) {
        for (int step = 1; step < 40; ++step) {
            TempLibrary lib;
            kelm::testing::CopyTree(base.Folder(), lib.Folder());
            const bool done = kelm::testing::RunStoreChild({"delete-and-save", lib.File(), std::to_string(step), first, count});
            ExpectAnswersOfFiles(lib, "deleting " + std::string(count) + ", step " + std::to_string(step));
            if (done) break;
        }
    }
}

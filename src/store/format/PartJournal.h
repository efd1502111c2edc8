// The journal beside a part file ("PartsDBLibs\<P>.pdb.journal"): a save
// that changes a few part types of a large partition appends them here
// instead of rewriting the file, and a later save folds them back into it.
//
//   {"kelm":"journal","version":1,"base":"<hash of the part file>"}
//   {"check":"<hash of the rest>","put":{<the part type as the part file writes it>}}
//   {"check":"<hash of the rest>","delete":"<part number>"}
//   {"check":"<hash of the rest>","commit":<records since the last commit>}
//
// A journal applies only to the part file whose bytes its header names; a
// journal left beside another file (a crash between a fold and the removal
// of its journal, a file restored from a backup) is ignored. Records count
// from the commit that ends their save: a torn last line, or records
// without their commit, are ignored as a save that never ended.
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <string_view>

#include "platform/Files.h"
#include "store/format/PartTable.h"
#include "store/format/PartitionFiles.h"

namespace kelm::store {

inline constexpr const char* kJournalExtension = ".journal";

std::string JournalFileOf(const std::string& partFile);

// A 64-bit hash of the bytes (not a cryptographic one).
std::uint64_t HashBytes(std::string_view bytes);

// Appends a record line: its check, then `rest` (the fields after the
// check and the closing brace, without the line end).
void AppendCheckedLine(std::string& out, std::string_view rest);
// The rest of a checked line (without its line end); empty when the check fails.
std::string_view CheckedRest(std::string_view line);

// The header of a new journal for a part file holding `base`.
std::string JournalHeader(std::string_view base);
// One save's records: a put for each number in `changed` that `parts`
// holds, a delete for each other one, then the commit.
void AppendJournalSave(std::string& out, const PartMap& parts, const std::set<std::string>& changed);
// The same with the records found through `find` (null: deleted).
using PartFinder = std::function<const PartRecord*(const std::string&)>;
void AppendJournalSaveOf(std::string& out, const PartFinder& find, const std::set<std::string>& changed);

// What a journal said about the part file it lies beside.
struct JournalState {
    bool exists = false;
    // Records applied, and whether more may be appended (false when the
    // journal is stale, torn or damaged: the next save rewrites the file).
    std::size_t records = 0;
    bool appendable = true;
};

// Applies the journal's committed records to `parts` (read from `base`)
// and adds the numbers they touch to `touched`.
void ApplyJournal(std::string_view journal, std::string_view base, const std::string& partition, PartMap& parts,
                  std::set<std::string>& touched, JournalState& state);
void ApplyJournal(std::string_view journal, std::string_view base, const std::string& partition, PartTable& parts,
                  std::set<std::string>& touched, JournalState& state);

// Every reader of a part file reads it here: the file with its journal
// folded in, as the canonical text a full save would write. NotFound when
// the part file does not exist; a journal that cannot be read is an error.
platform::FileResult ReadPartFile(const std::string& partFile, std::string& text, std::string& error,
                                  JournalState* state = nullptr);

}  // namespace kelm::store

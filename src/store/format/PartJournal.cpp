#include "store/format/PartJournal.h"

#include <cstring>
#include <vector>

#include "store/format/JsonLines.h"

namespace kelm::store {
namespace {
constexpr std::string_view kHeaderStart = "{\"kelm\":\"journal\",\"version\":1,\"base\":\"";
constexpr std::string_view kCheckStart = "{\"check\":\"";
constexpr std::size_t kHashDigits = 16;
constexpr std::size_t kCheckedFrom = 10 + kHashDigits + 2;  // {"check":"<hash>",

std::string Hex(std::uint64_t value) {
    static const char digits[] = "0123456789abcdef";
    std::string text(kHashDigits, '0');
    for (std::size_t i = kHashDigits; i-- > 0; value >>= 4) text[i] = digits[value & 15];
    return text;
}

struct Record {
    std::string number;
    bool put = false;
    PartRecord part;
};

// One record after its check: "put":{...}}, "delete":"N"} or "commit":N}.
bool ReadRecord(std::string_view rest, const std::string& partition, std::vector<Record>& pending, bool& committed) {
    committed = false;
    constexpr std::string_view put = "\"put\":";
    if (rest.substr(0, put.size()) == put && rest.size() > put.size() + 1 && rest.back() == '}') {
        Record record;
        if (!ParsePartLine(rest.substr(put.size(), rest.size() - put.size() - 1), partition, record.part)) return false;
        record.number = record.part.number;
        record.put = true;
        pending.push_back(std::move(record));
        return true;
    }
    const std::string object = "{" + std::string(rest);
    jsonl::Cursor cursor(object.data(), object.data() + object.size());
    std::string_view key;
    if (!cursor.BeginObject() || !cursor.NextKey(key)) return false;
    if (key == "delete") {
        Record record;
        if (!cursor.String(record.number) || record.number.empty()) return false;
        pending.push_back(std::move(record));
    } else if (key == "commit") {
        std::int64_t count = -1;
        if (!cursor.Int(count) || count != static_cast<std::int64_t>(pending.size())) return false;
        committed = true;
    } else {
        return false;
    }
    return !cursor.NextKey(key) && cursor.Error().empty() && cursor.Finish();
}
}  // namespace

void AppendCheckedLine(std::string& out, std::string_view rest) {
    out.append(kCheckStart);
    out += Hex(HashBytes(rest));
    out += "\",";
    out.append(rest);
    out += '\n';
}

std::string_view CheckedRest(std::string_view line) {
    if (line.size() <= kCheckedFrom || line.substr(0, kCheckStart.size()) != kCheckStart ||
        line.substr(kCheckStart.size() + kHashDigits, 2) != "\",")
        return {};
    const std::string_view rest = line.substr(kCheckedFrom);
    return line.substr(kCheckStart.size(), kHashDigits) == Hex(HashBytes(rest)) ? rest : std::string_view{};
}

std::string JournalFileOf(const std::string& partFile) { return partFile + kJournalExtension; }

std::uint64_t HashBytes(std::string_view bytes) {
    // FNV-1a over 8-byte words, then the tail bytes and the length.
    constexpr std::uint64_t prime = 0x100000001b3ULL;
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, bytes.data() + i, 8);
        hash = (hash ^ word) * prime;
        hash ^= hash >> 29;
    }
    for (; i < bytes.size(); ++i) hash = (hash ^ static_cast<unsigned char>(bytes[i])) * prime;
    return (hash ^ bytes.size()) * prime;
}

std::string JournalHeader(std::string_view base) {
    std::string header(kHeaderStart);
    header += Hex(HashBytes(base));
    header += "\"}\n";
    return header;
}

void AppendJournalSave(std::string& out, const PartMap& parts, const std::set<std::string>& changed) {
    AppendJournalSaveOf(out, [&](const std::string& number) -> const PartRecord* {
        const auto part = parts.find(number);
        return part == parts.end() ? nullptr : &part->second;
    }, changed);
}

void AppendJournalSaveOf(std::string& out, const PartFinder& find, const std::set<std::string>& changed) {
    std::string line;
    for (const std::string& number : changed) {
        line.clear();
        if (const PartRecord* part = find(number)) {
            line = "\"put\":";
            WritePartLine(line, number, *part);
            line.back() = '}';  // the part's line end closes the record
        } else {
            line = "\"delete\":";
            jsonl::AppendString(line, number);
            line += '}';
        }
        AppendCheckedLine(out, line);
    }
    AppendCheckedLine(out, "\"commit\":" + std::to_string(changed.size()) + "}");
}

namespace {
void Put(PartMap& parts, Record& record) { parts.insert_or_assign(record.number, std::move(record.part)); }
void Put(PartTable& parts, Record& record) { parts.Add(std::move(record.part)); }
void Erase(PartMap& parts, const std::string& number) { parts.erase(number); }
void Erase(PartTable& parts, const std::string& number) { parts.Erase(number); }

template <class Parts>
void ApplyRecords(std::string_view journal, std::string_view base, const std::string& partition, Parts& parts,
                  std::set<std::string>& touched, JournalState& state) {
    state = JournalState{};
    state.exists = true;
    std::size_t end = journal.find('\n');
    if (end == std::string_view::npos || journal.substr(0, end + 1) != JournalHeader(base)) {
        state.appendable = false;  // another file's journal, or a torn header
        return;
    }
    std::vector<Record> pending;
    for (std::size_t begin = end + 1; begin < journal.size(); begin = end + 1) {
        end = journal.find('\n', begin);
        const std::string_view rest = end == std::string_view::npos ? std::string_view{} : CheckedRest(journal.substr(begin, end - begin));
        bool committed = false;
        if (rest.empty() || !ReadRecord(rest, partition, pending, committed)) {
            state.appendable = false;  // torn or damaged: what follows never counts
            return;
        }
        if (!committed) continue;
        for (Record& record : pending) {
            touched.insert(record.number);
            if (record.put) Put(parts, record);
            else Erase(parts, record.number);
        }
        state.records += pending.size();
        pending.clear();
    }
    if (!pending.empty()) state.appendable = false;
}
}  // namespace

void ApplyJournal(std::string_view journal, std::string_view base, const std::string& partition, PartMap& parts,
                  std::set<std::string>& touched, JournalState& state) {
    ApplyRecords(journal, base, partition, parts, touched, state);
}

void ApplyJournal(std::string_view journal, std::string_view base, const std::string& partition, PartTable& parts,
                  std::set<std::string>& touched, JournalState& state) {
    ApplyRecords(journal, base, partition, parts, touched, state);
}

platform::FileResult ReadPartFile(const std::string& partFile, std::string& text, std::string& error, JournalState* state) {
    JournalState scratch;
    JournalState& found = state ? *state : scratch;
    found = JournalState{};
    const platform::FileResult read = platform::ReadWholeFile(partFile, text, error);
    if (read != platform::FileResult::Ok) return read;
    std::string journal;
    const std::string journalFile = JournalFileOf(partFile);
    const platform::FileResult journalRead = platform::ReadWholeFile(journalFile, journal, error);
    if (journalRead == platform::FileResult::NotFound) {
        error.clear();
        return platform::FileResult::Ok;
    }
    if (journalRead != platform::FileResult::Ok) return journalRead;
    PartTable parts;
    std::string partition;
    if (!parts.Read(text, partFile, partition, error)) {
        error.clear();  // the caller's own reading names the damage
        found.exists = true;
        found.appendable = false;
        return platform::FileResult::Ok;
    }
    std::set<std::string> touched;
    ApplyJournal(journal, text, partition, parts, touched, found);
    if (touched.empty()) return platform::FileResult::Ok;
    text = parts.Serialize(touched);
    if (text.empty()) {  // the file was checked when read: this does not happen
        error = "cannot fold the journal into " + partFile;
        return platform::FileResult::Error;
    }
    return platform::FileResult::Ok;
}

}  // namespace kelm::store

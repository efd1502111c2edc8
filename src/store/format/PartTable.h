// The part types of a part partition as a session holds them. Reading the
// file checks every line as strictly as ParsePartFile does, but keeps of
// each part type only its number, its cells and the place of its line in
// the file's text: the full record is parsed from that line when a caller
// first asks for it. Part types added or edited hold their record.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "store/format/PartitionFiles.h"

namespace kelm::store {

class PartTable {
public:
    // False (with the file and line in `error`) when the text is no part
    // file; the table is empty then.
    bool Read(std::string text, const std::string& fileName, const std::string& partition, std::string& error);
    void Clear();

    // The file's text as read or as written last (see Adopt).
    const std::string& Text() const { return m_text; }
    std::size_t Size() const { return m_parts.size(); }
    bool Contains(const std::string& number) const { return m_parts.count(number) != 0; }

    enum class Found { No, Yes, Damaged };
    // The part type's record, parsed from its line on first use.
    Found Record(const std::string& number, PartRecord*& part);
    void Add(PartRecord part);
    void Erase(const std::string& number);

    // Every part type in number order, with its cells.
    template <class Visit>
    void ForEach(Visit visit) const {
        for (const auto& [number, entry] : m_parts) visit(number, entry.record ? entry.record->cells : entry.cells);
    }

    // The file as SerializePartFile writes it, with the numbers in
    // `changed` changed, added or deleted since the text: every other line
    // that is already what it would write is kept as it is. Empty when a
    // line cannot be read again (the text is checked when read).
    std::string Serialize(const std::set<std::string>& changed) const;
    // Takes the text that Serialize gave, now written, as the file's text.
    void Adopt(std::string text);

private:
    struct Entry {
        std::size_t offset = 0, length = 0;  // of the line in m_text; length 0: none
        bool canonical = false;
        StringList cells;
        std::unique_ptr<PartRecord> record;
    };
    std::string_view Line(const Entry& entry) const { return std::string_view(m_text).substr(entry.offset, entry.length); }

    std::string m_text;
    std::string m_partition;
    std::map<std::string, Entry> m_parts;
};

}  // namespace kelm::store

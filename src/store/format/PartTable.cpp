#include "store/format/PartTable.h"

#include <algorithm>
#include <utility>

#include "store/format/JsonLines.h"

namespace kelm::store {

bool PartTable::Read(std::string text, const std::string& fileName, const std::string& partition, std::string& error) {
    Clear();
    m_text = std::move(text);
    m_partition = partition;
    const char* const base = m_text.data();
    // About 270 bytes a line: one allocation for the entries, as a rule.
    m_parts.reserve(m_text.size() / 256 + 16);
    const bool ok = ScanPartFile(m_text, fileName, [&](const PartLine& line) {
        Entry& entry = m_parts.emplace_back();
        entry.number = line.number;
        entry.offset = static_cast<std::size_t>(line.line.data() - base);
        entry.length = line.line.size();
        entry.canonical = line.canonical;
        entry.cells = m_cells.size();
        entry.cellCount = line.cellCount;
        m_cells.insert(m_cells.end(), line.cells.begin(), line.cells.begin() + static_cast<std::ptrdiff_t>(line.cellCount));
    }, error);
    if (!ok) Clear();
    return ok;
}

void PartTable::Clear() {
    m_text.clear();
    m_parts.clear();
    m_cells.clear();
}

std::vector<PartTable::Entry>::const_iterator PartTable::Find(const std::string& number) const {
    const auto it = std::lower_bound(m_parts.begin(), m_parts.end(), number,
                                     [](const Entry& entry, const std::string& key) { return entry.number < key; });
    return it != m_parts.end() && it->number == number ? it : m_parts.end();
}

std::vector<PartTable::Entry>::iterator PartTable::Find(const std::string& number) {
    const auto it = std::as_const(*this).Find(number);
    return m_parts.begin() + (it - m_parts.cbegin());
}

PartTable::Found PartTable::Record(const std::string& number, PartRecord*& part) {
    part = nullptr;
    const auto it = Find(number);
    if (it == m_parts.end()) return Found::No;
    if (!it->record) {
        auto record = std::make_unique<PartRecord>();
        if (!ParsePartLine(Line(*it), m_partition, *record)) return Found::Damaged;
        it->record = std::move(record);
    }
    part = it->record.get();
    return Found::Yes;
}

void PartTable::Add(PartRecord part) {
    auto it = std::lower_bound(m_parts.begin(), m_parts.end(), part.number,
                               [](const Entry& entry, const std::string& key) { return entry.number < key; });
    if (it == m_parts.end() || it->number != part.number) {
        it = m_parts.emplace(it);
        it->number = part.number;
    }
    it->record = std::make_unique<PartRecord>(std::move(part));
}

void PartTable::Erase(const std::string& number) {
    const auto it = Find(number);
    if (it != m_parts.end()) m_parts.erase(it);
}

std::string PartTable::Serialize(const std::set<std::string>& changed) const {
    std::string out = jsonl::Header("parts", m_parts.size());
    out.reserve(m_text.size() + changed.size() * 320);
    PartRecord scratch;
    for (const Entry& entry : m_parts) {
        if (entry.length && entry.canonical && !changed.count(entry.number)) {
            out.append(Line(entry));
            out += '\n';
            continue;
        }
        const PartRecord* part = entry.record.get();
        if (!part) {
            if (!ParsePartLine(Line(entry), m_partition, scratch)) return {};
            part = &scratch;
        }
        WritePartLine(out, entry.number, *part);
    }
    return out;
}

// The text holds the entries' lines in order after its header, one each.
void PartTable::Adopt(std::string text) {
    m_text = std::move(text);
    std::size_t begin = m_text.find('\n') + 1;
    for (Entry& entry : m_parts) {
        const std::size_t end = m_text.find('\n', begin);
        entry.offset = begin;
        entry.length = end - begin;
        entry.canonical = true;
        begin = end + 1;
    }
}

}  // namespace kelm::store

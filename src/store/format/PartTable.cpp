#include "store/format/PartTable.h"

#include "store/format/JsonLines.h"

namespace kelm::store {

bool PartTable::Read(std::string text, const std::string& fileName, const std::string& partition, std::string& error) {
    Clear();
    m_text = std::move(text);
    m_partition = partition;
    const char* const base = m_text.data();
    const bool ok = ScanPartFile(m_text, fileName, [&](const PartLine& line) {
        Entry entry;
        entry.offset = static_cast<std::size_t>(line.line.data() - base);
        entry.length = line.line.size();
        entry.canonical = line.canonical;
        entry.cells.assign(line.cells.begin(), line.cells.begin() + static_cast<std::ptrdiff_t>(line.cellCount));
        m_parts.emplace_hint(m_parts.end(), line.number, std::move(entry));
    }, error);
    if (!ok) Clear();
    return ok;
}

void PartTable::Clear() {
    m_text.clear();
    m_parts.clear();
}

PartTable::Found PartTable::Record(const std::string& number, PartRecord*& part) {
    part = nullptr;
    const auto it = m_parts.find(number);
    if (it == m_parts.end()) return Found::No;
    Entry& entry = it->second;
    if (!entry.record) {
        auto record = std::make_unique<PartRecord>();
        if (!ParsePartLine(Line(entry), m_partition, *record)) return Found::Damaged;
        entry.record = std::move(record);
    }
    part = entry.record.get();
    return Found::Yes;
}

void PartTable::Add(PartRecord part) {
    Entry entry;
    const std::string number = part.number;
    entry.record = std::make_unique<PartRecord>(std::move(part));
    m_parts.insert_or_assign(number, std::move(entry));
}

void PartTable::Erase(const std::string& number) { m_parts.erase(number); }

std::string PartTable::Serialize(const std::set<std::string>& changed) const {
    std::string out = jsonl::Header("parts", m_parts.size());
    out.reserve(m_text.size() + changed.size() * 320);
    PartRecord scratch;
    for (const auto& [number, entry] : m_parts) {
        if (entry.length && entry.canonical && !changed.count(number)) {
            out.append(Line(entry));
            out += '\n';
            continue;
        }
        const PartRecord* part = entry.record.get();
        if (!part) {
            if (!ParsePartLine(Line(entry), m_partition, scratch)) return {};
            part = &scratch;
        }
        WritePartLine(out, number, *part);
    }
    return out;
}

// The text holds the entries' lines in order after its header, one each.
void PartTable::Adopt(std::string text) {
    m_text = std::move(text);
    std::size_t begin = m_text.find('\n') + 1;
    for (auto& [number, entry] : m_parts) {
        const std::size_t end = m_text.find('\n', begin);
        entry.offset = begin;
        entry.length = end - begin;
        entry.canonical = true;
        begin = end + 1;
    }
}

}  // namespace kelm::store

// What the library index knows of one partition: the names of its items,
// for each item a list (the cells of a part type, the pins of a cell,
// nothing for a symbol), the part types using each cell, and the identity
// of the data file it was derived from. It is one block of bytes, written
// to disk as it is and used in place after one read: looking a name up
// hashes it once and probes an open-addressing table; nothing is built
// per item when it is read.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Files.h"
#include "util/StringList.h"

namespace kelm::store {

struct IndexEntry {
    std::string name;
    StringList list;  // a part type's cells, a cell's pins; empty for a symbol
};
// An entry whose name and list live elsewhere.
struct IndexEntryRef {
    std::string_view name;
    const StringList* list;
};

class PartitionIndex {
public:
    static constexpr std::uint32_t kVersion = 1;
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    // The bytes of the index of a partition whose data file had `stamp`.
    // `entries` are sorted by name, each name once. The uses of the list
    // items (the part types using a cell) are kept for part partitions.
    static std::string Build(int partitionType, const platform::FileStamp& stamp, const std::vector<IndexEntry>& entries);
    static std::string Build(int partitionType, const platform::FileStamp& stamp, const std::vector<IndexEntryRef>& entries);

    // Takes the bytes of an index file; false when they are not an index of
    // this version, or are cut short or damaged (the checksum, the sizes and
    // every offset are checked, so a false one is never used).
    bool Parse(std::string bytes);

    int PartitionType() const { return m_type; }
    const platform::FileStamp& Stamp() const { return m_stamp; }
    std::size_t Size() const { return m_count; }
    std::size_t Bytes() const { return m_bytes.size(); }
    std::string_view Name(std::size_t entry) const;
    StringList List(std::size_t entry) const;
    // The list of an entry item by item, without copies.
    std::size_t ListSize(std::size_t entry) const;
    std::string_view ListItem(std::size_t entry, std::size_t item) const;

    static std::uint64_t Hash(std::string_view name);
    // The entry of that name, or npos.
    std::size_t Find(std::string_view name, std::uint64_t hash) const;
    std::size_t Find(std::string_view name) const { return Find(name, Hash(name)); }
    // Names of the entries whose list holds `item`, in name order.
    void AppendUsers(std::string_view item, StringList& names) const;

private:
    std::uint32_t U32(std::size_t offset) const {
        std::uint32_t value;
        std::memcpy(&value, m_bytes.data() + offset, sizeof value);
        if constexpr (std::endian::native == std::endian::big)
            value = (value >> 24) | ((value >> 8) & 0xFF00u) | ((value << 8) & 0xFF0000u) | (value << 24);
        return value;
    }
    std::string_view Pool(std::uint32_t begin, std::uint32_t end) const;
    std::string_view Item(std::size_t item) const;
    bool ListHolds(std::size_t entry, std::string_view item) const;

    std::string m_bytes;
    int m_type = 0;
    platform::FileStamp m_stamp;
    std::size_t m_count = 0, m_items = 0, m_uses = 0, m_slots = 0, m_poolSize = 0;
    // Offsets of the tables in m_bytes.
    std::size_t m_names = 0, m_hashes = 0, m_listStart = 0, m_itemOffsets = 0, m_useTable = 0, m_slotTable = 0, m_pool = 0;
};

}  // namespace kelm::store

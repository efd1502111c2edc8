// Layout of an index block (every number little-endian; u32 unless said):
//   0  "KELMIDX" 0x1A      8 bytes
//   8  version, partition type, data file exists (0/1), 0
//   24 u64 size, u64 modification time, u64 identity of the data file
//   48 N entries, L list items, U uses, S slots (a power of two), P pool bytes, 0
//   72 u64 checksum of the whole block, counted with these 8 bytes as zero
//   80 names      N+1 offsets into the pool (names lie in the pool in order)
//      hashes     N low halves of the names' hashes
//      listStart  N+1 indexes into the list items
//      items      L+1 offsets into the pool (items lie after the names)
//      uses       U pairs (low half of the item's hash, entry) sorted (part
//                 partitions: for each cell, the part types using it)
//      slots      S entry numbers + 1 (0: empty), probed from the high half of the hash
//      pool       P bytes
#include "store/index/PartitionIndex.h"

#include <algorithm>
#include <cstring>

#include "store/index/IndexWords.h"
#include "store/items/StoreBackend.h"

namespace kelm::store {
namespace {
using namespace index_words;

constexpr char kBlockMagic[8] = {'K', 'E', 'L', 'M', 'I', 'D', 'X', 0x1A};
constexpr std::size_t kBlockHeader = 80;
constexpr std::size_t kBlockChecksumAt = 72;

// A checksum of four interleaved word streams (the field at kBlockChecksumAt
// counts as zero); the block is at least a header long.
std::uint64_t Checksum(const std::string& bytes) {
    std::uint64_t lanes[4] = {0x243F6A8885A308D3ULL, 0x13198A2E03707344ULL, 0xA4093822299F31D0ULL, 0x082EFA98EC4E6C89ULL};
    char header[kBlockHeader];
    std::memcpy(header, bytes.data(), kBlockHeader);
    std::memset(header + kBlockChecksumAt, 0, 8);
    for (std::size_t i = 0; i < kBlockHeader / 8; ++i) {
        std::uint64_t word;
        std::memcpy(&word, header + 8 * i, 8);
        lanes[i % 4] = Mix(lanes[i % 4], word);
    }
    const char* p = bytes.data() + kBlockHeader;
    std::size_t left = bytes.size() - kBlockHeader;
    for (; left >= 32; p += 32, left -= 32) {
        std::uint64_t words[4];
        std::memcpy(words, p, 32);
        for (int lane = 0; lane < 4; ++lane) lanes[lane] = Mix(lanes[lane], words[lane]);
    }
    std::uint64_t tail[4] = {};
    std::memcpy(tail, p, left);
    std::uint64_t h = bytes.size();
    for (int lane = 0; lane < 4; ++lane) h = Mix(h, Mix(lanes[lane], tail[lane]));
    return h;
}

std::size_t SlotCount(std::size_t entries) {
    std::size_t slots = 1;
    while (slots < entries + entries / 2 + 1) slots *= 2;
    return slots;
}
}  // namespace

std::uint64_t PartitionIndex::Hash(std::string_view name) {
    std::uint64_t h = 0xCBF29CE484222325ULL;  // FNV-1a
    for (const char c : name) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001B3ULL;
    return h;
}

std::string PartitionIndex::Build(int partitionType, const platform::FileStamp& stamp,
                                  const std::vector<IndexEntry>& entries) {
    std::vector<IndexEntryRef> refs;
    refs.reserve(entries.size());
    for (const IndexEntry& entry : entries) refs.push_back({entry.name, &entry.list});
    return Build(partitionType, stamp, refs);
}

std::string PartitionIndex::Build(int partitionType, const platform::FileStamp& stamp,
                                  const std::vector<IndexEntryRef>& entries) {
    const bool withUses = partitionType == kPartitionTypePart;
    const std::size_t n = entries.size();
    std::size_t items = 0, pool = 0;
    for (const IndexEntryRef& entry : entries) {
        items += entry.list->size();
        pool += entry.name.size();
        for (const std::string& item : *entry.list) pool += item.size();
    }
    const std::size_t uses = withUses ? items : 0;
    const std::size_t slots = SlotCount(n);
    const std::size_t names = kBlockHeader, hashes = names + 4 * (n + 1), listStart = hashes + 4 * n;
    const std::size_t itemOffsets = listStart + 4 * (n + 1), useTable = itemOffsets + 4 * (items + 1);
    const std::size_t slotTable = useTable + 8 * uses, poolAt = slotTable + 4 * slots;
    std::string out(poolAt + pool, '\0');
    std::memcpy(out.data(), kBlockMagic, sizeof kBlockMagic);
    Put32(out, 8, kVersion);
    Put32(out, 12, static_cast<std::uint32_t>(partitionType));
    Put32(out, 16, stamp.exists ? 1 : 0);
    Put64(out, 24, stamp.size);
    Put64(out, 32, static_cast<std::uint64_t>(stamp.modified));
    Put64(out, 40, stamp.identity);
    Put32(out, 48, static_cast<std::uint32_t>(n));
    Put32(out, 52, static_cast<std::uint32_t>(items));
    Put32(out, 56, static_cast<std::uint32_t>(uses));
    Put32(out, 60, static_cast<std::uint32_t>(slots));
    Put32(out, 64, static_cast<std::uint32_t>(pool));

    std::size_t at = 0;
    std::vector<bool> slotUsed(slots);
    for (std::size_t i = 0; i < n; ++i) {
        Put32(out, names + 4 * i, static_cast<std::uint32_t>(at));
        std::memcpy(out.data() + poolAt + at, entries[i].name.data(), entries[i].name.size());
        at += entries[i].name.size();
        const std::uint64_t hash = Hash(entries[i].name);
        Put32(out, hashes + 4 * i, static_cast<std::uint32_t>(hash));
        std::size_t slot = static_cast<std::size_t>(hash >> 32) & (slots - 1);
        while (slotUsed[slot]) slot = (slot + 1) & (slots - 1);
        slotUsed[slot] = true;
        Put32(out, slotTable + 4 * slot, static_cast<std::uint32_t>(i + 1));
    }
    Put32(out, names + 4 * n, static_cast<std::uint32_t>(at));
    std::size_t item = 0;
    for (std::size_t i = 0; i < n; ++i) {
        Put32(out, listStart + 4 * i, static_cast<std::uint32_t>(item));
        for (const std::string& text : *entries[i].list) {
            Put32(out, itemOffsets + 4 * item++, static_cast<std::uint32_t>(at));
            std::memcpy(out.data() + poolAt + at, text.data(), text.size());
            at += text.size();
        }
    }
    Put32(out, listStart + 4 * n, static_cast<std::uint32_t>(item));
    Put32(out, itemOffsets + 4 * items, static_cast<std::uint32_t>(at));
    if (withUses) {
        std::vector<std::uint64_t> useKeys;  // hash << 32 | entry: sorted by hash, then in name order
        useKeys.reserve(items);
        for (std::size_t i = 0; i < n; ++i)
            for (const std::string& text : *entries[i].list)
                useKeys.push_back(static_cast<std::uint64_t>(static_cast<std::uint32_t>(Hash(text))) << 32 | i);
        std::sort(useKeys.begin(), useKeys.end());
        for (std::size_t i = 0; i < items; ++i) {
            Put32(out, useTable + 8 * i, static_cast<std::uint32_t>(useKeys[i] >> 32));
            Put32(out, useTable + 8 * i + 4, static_cast<std::uint32_t>(useKeys[i]));
        }
    }
    Put64(out, kBlockChecksumAt, Checksum(out));
    return out;
}

bool PartitionIndex::Parse(std::string bytes) {
    m_bytes = std::move(bytes);
    m_count = 0;
    const std::string& b = m_bytes;
    if (b.size() < kBlockHeader || std::memcmp(b.data(), kBlockMagic, sizeof kBlockMagic) != 0 || U32(8) != kVersion) return false;
    if (Get(b, kBlockChecksumAt, 8) != Checksum(b)) return false;
    const std::size_t n = U32(48), items = U32(52), uses = U32(56), slots = U32(60), pool = U32(64);
    if (slots == 0 || (slots & (slots - 1)) != 0 || slots <= n || (uses != 0 && uses != items)) return false;
    m_names = kBlockHeader;
    m_hashes = m_names + 4 * (n + 1);
    m_listStart = m_hashes + 4 * n;
    m_itemOffsets = m_listStart + 4 * (n + 1);
    m_useTable = m_itemOffsets + 4 * (items + 1);
    m_slotTable = m_useTable + 8 * uses;
    m_pool = m_slotTable + 4 * slots;
    if (m_pool + pool != b.size()) return false;
    // The checksum catches damage; the accessors still keep every offset
    // inside the block, so that no block, however made, is read past its end.
    m_poolSize = pool;
    m_type = static_cast<int>(U32(12));
    m_stamp.exists = U32(16) != 0;
    m_stamp.size = Get(b, 24, 8);
    m_stamp.modified = static_cast<std::int64_t>(Get(b, 32, 8));
    m_stamp.identity = Get(b, 40, 8);
    m_count = n;
    m_items = items;
    m_uses = uses;
    m_slots = slots;
    return true;
}

std::string_view PartitionIndex::Pool(std::uint32_t begin, std::uint32_t end) const {
    if (begin > end || end > m_poolSize) return {};
    return std::string_view(m_bytes.data() + m_pool + begin, end - begin);
}

std::string_view PartitionIndex::Name(std::size_t entry) const {
    return Pool(U32(m_names + 4 * entry), U32(m_names + 4 * (entry + 1)));
}

std::string_view PartitionIndex::Item(std::size_t item) const {
    return Pool(U32(m_itemOffsets + 4 * item), U32(m_itemOffsets + 4 * (item + 1)));
}

StringList PartitionIndex::List(std::size_t entry) const {
    StringList list;
    const std::uint32_t end = std::min<std::uint32_t>(U32(m_listStart + 4 * (entry + 1)), static_cast<std::uint32_t>(m_items));
    for (std::uint32_t i = U32(m_listStart + 4 * entry); i < end; ++i) list.emplace_back(Item(i));
    return list;
}

std::size_t PartitionIndex::ListSize(std::size_t entry) const {
    const std::uint32_t begin = U32(m_listStart + 4 * entry);
    const std::uint32_t end = std::min<std::uint32_t>(U32(m_listStart + 4 * (entry + 1)), static_cast<std::uint32_t>(m_items));
    return end > begin ? end - begin : 0;
}

std::string_view PartitionIndex::ListItem(std::size_t entry, std::size_t item) const {
    return Item(U32(m_listStart + 4 * entry) + item);
}

bool PartitionIndex::ListHolds(std::size_t entry, std::string_view item) const {
    const std::uint32_t end = std::min<std::uint32_t>(U32(m_listStart + 4 * (entry + 1)), static_cast<std::uint32_t>(m_items));
    for (std::uint32_t i = U32(m_listStart + 4 * entry); i < end; ++i)
        if (Item(i) == item) return true;
    return false;
}

std::size_t PartitionIndex::Find(std::string_view name, std::uint64_t hash) const {
    if (m_count == 0) return npos;
    const std::uint32_t low = static_cast<std::uint32_t>(hash);
    // Every probe sequence ends at an empty slot: there are more slots than entries.
    for (std::size_t slot = static_cast<std::size_t>(hash >> 32) & (m_slots - 1);; slot = (slot + 1) & (m_slots - 1)) {
        const std::uint32_t entry = U32(m_slotTable + 4 * slot);
        if (entry == 0 || entry > m_count) return npos;
        if (U32(m_hashes + 4 * (entry - 1)) == low && Name(entry - 1) == name) return entry - 1;
    }
}

void PartitionIndex::AppendUsers(std::string_view item, StringList& names) const {
    const std::uint32_t hash = static_cast<std::uint32_t>(Hash(item));
    std::size_t low = 0, high = m_uses;
    while (low < high) {
        const std::size_t mid = (low + high) / 2;
        if (U32(m_useTable + 8 * mid) < hash) low = mid + 1;
        else high = mid;
    }
    for (; low < m_uses && U32(m_useTable + 8 * low) == hash; ++low) {
        const std::size_t entry = U32(m_useTable + 8 * low + 4);
        if (entry < m_count && ListHolds(entry, item)) names.emplace_back(Name(entry));
    }
}

}  // namespace kelm::store

// Layout of Library.idx (every number little-endian):
//   0   "KELMWIX" 0x1A
//   8   u32 version, u32 P partitions, u32 S slots (a power of two, whole
//       pages of 512), u32 0
//   24  u64 T bytes of the partition table, u64 R bytes of records
//   40  u64 checksum of the header (these 8 bytes as zero), the partition
//       table and the page checksums
//   48  16 bytes 0
//   64  partition table: for each partition u32 type, u32 data file exists,
//       u64 size, u64 modification time, u64 identity, u32 name length, name
//   then, at a multiple of 8: S/512 u64 page checksums, one per page of slots
//   then S u64 slots: low half the low half of the key's hash, high half the
//       record's offset / 8 + 1 (0: empty); probed from the hash's high half
//   then R bytes of records, each at a multiple of 8:
//       u64 checksum of the body, u32 body length, body: u32 kind, name,
//       u32 holders (u32 partition, u32 count, strings), u32 users
//       (u32 partition, string); a string is u32 length and bytes
#include "store/index/LibraryWideIndex.h"

#include <algorithm>
#include <cstring>
#include <tuple>

#include "store/index/IndexWords.h"
#include "store/items/StoreBackend.h"

namespace kelm::store {
namespace {
using namespace index_words;

constexpr char kWideMagic[8] = {'K', 'E', 'L', 'M', 'W', 'I', 'X', 0x1A};
constexpr std::size_t kWideHeader = 64;
constexpr std::size_t kWideChecksumAt = 40;
constexpr std::size_t kPageSlots = 512;

std::uint64_t Checksum(const char* p, std::size_t size, std::uint64_t seed = 0x243F6A8885A308D3ULL) {
    std::uint64_t lanes[2] = {seed, 0x13198A2E03707344ULL};
    std::size_t left = size;
    for (; left >= 16; p += 16, left -= 16) {
        std::uint64_t words[2];
        std::memcpy(words, p, 16);
        lanes[0] = Mix(lanes[0], words[0]);
        lanes[1] = Mix(lanes[1], words[1]);
    }
    std::uint64_t tail[2] = {};
    std::memcpy(tail, p, left);
    return Mix(Mix(size, Mix(lanes[0], tail[0])), Mix(lanes[1], tail[1]));
}

std::uint64_t KeyHash(int kind, std::string_view name) {
    return Mix(PartitionIndex::Hash(name), static_cast<std::uint64_t>(kind) + 1);
}

struct Writer {
    std::string out;
    void U32(std::uint64_t value) {
        const char bytes[4] = {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
                               static_cast<char>(value >> 24)};
        out.append(bytes, 4);
    }
    void U64(std::uint64_t value) {
        U32(value & 0xFFFFFFFFu);
        U32(value >> 32);
    }
    void Text(std::string_view text) {
        U32(text.size());
        out.append(text);
    }
    void Align() { out.resize((out.size() + 7) & ~std::size_t{7}, '\0'); }
};

// Reads inside [at, end); every read past the end fails the whole cursor.
struct Cursor {
    std::string_view bytes;
    std::size_t at, end;
    bool ok = true;
    std::uint64_t Read(int width) {
        if (!ok || end - at < static_cast<std::size_t>(width)) return ok = false, 0;
        const std::uint64_t value = Get(bytes, at, width);
        at += static_cast<std::size_t>(width);
        return value;
    }
    std::string_view Text() {
        const std::uint64_t size = Read(4);
        if (!ok || end - at < size) return ok = false, std::string_view();
        const std::string_view text = bytes.substr(at, size);
        at += size;
        return text;
    }
};
}  // namespace

const LibraryWideIndex::Holder* LibraryWideIndex::Answer::In(std::uint32_t partition) const {
    for (const Holder& holder : holders)
        if (holder.partition == partition) return &holder;
    return nullptr;
}

std::string LibraryWideIndex::Build(const std::vector<Source>& partitions) {
    // Every (name, partition) pair, sorted so that the pairs of one name lie
    // together: holders first, in partition order, then the users of a cell.
    struct Pair {
        std::uint64_t hash;
        std::string_view name;
        int kind;
        bool user;
        std::uint32_t partition;
        std::uint32_t entry;
    };
    std::vector<Pair> pairs;
    std::size_t count = 0;
    for (const Source& source : partitions) {
        count += source.index->Size();
        if (source.id.type == kPartitionTypePart)
            for (std::size_t entry = 0; entry < source.index->Size(); ++entry) count += source.index->ListSize(entry);
    }
    pairs.reserve(count);
    for (std::uint32_t p = 0; p < partitions.size(); ++p) {
        const PartitionIndex& index = *partitions[p].index;
        const int kind = partitions[p].id.type;
        for (std::uint32_t entry = 0; entry < index.Size(); ++entry) {
            const std::string_view name = index.Name(entry);
            pairs.push_back({KeyHash(kind, name), name, kind, false, p, entry});
            if (kind != kPartitionTypePart) continue;
            for (std::size_t item = 0, items = index.ListSize(entry); item < items; ++item) {
                const std::string_view cell = index.ListItem(entry, item);
                pairs.push_back({KeyHash(kPartitionTypeCell, cell), cell, kPartitionTypeCell, true, p, entry});
            }
        }
    }
    std::sort(pairs.begin(), pairs.end(), [](const Pair& a, const Pair& b) {
        return std::tie(a.hash, a.kind, a.name, a.user, a.partition, a.entry) <
               std::tie(b.hash, b.kind, b.name, b.user, b.partition, b.entry);
    });
    std::size_t records = 0;
    for (std::size_t i = 0; i < pairs.size(); ++i)
        if (i == 0 || pairs[i].kind != pairs[i - 1].kind || pairs[i].name != pairs[i - 1].name) ++records;

    std::size_t slots = kPageSlots;
    while (slots < 2 * records) slots *= 2;
    Writer head;
    head.out.assign(kWideMagic, sizeof kWideMagic);
    head.U32(kVersion);
    head.U32(partitions.size());
    head.U32(slots);
    head.U32(0);
    head.out.resize(kWideHeader, '\0');
    for (const Source& source : partitions) {
        const platform::FileStamp& stamp = source.index->Stamp();
        head.U32(static_cast<std::uint32_t>(source.id.type));
        head.U32(stamp.exists ? 1 : 0);
        head.U64(stamp.size);
        head.U64(static_cast<std::uint64_t>(stamp.modified));
        head.U64(stamp.identity);
        head.Text(source.id.name);
    }
    const std::size_t tableBytes = head.out.size() - kWideHeader;
    head.Align();
    const std::size_t checksumsAt = head.out.size(), slotsAt = checksumsAt + 8 * (slots / kPageSlots);
    const std::size_t recordsAt = slotsAt + 8 * slots;

    std::vector<std::uint64_t> slotTable(slots);
    Writer body;
    std::size_t estimate = 0;
    for (const Source& source : partitions) estimate += 2 * source.index->Bytes();
    body.out.reserve(estimate);
    for (std::size_t first = 0, next = 0; first < pairs.size(); first = next) {
        const Pair& key = pairs[first];
        next = first + 1;
        while (next < pairs.size() && pairs[next].kind == key.kind && pairs[next].name == key.name) ++next;
        std::size_t holders = first;
        while (holders < next && !pairs[holders].user) ++holders;
        const std::size_t at = body.out.size();
        body.U64(0);
        body.U32(0);
        body.U32(static_cast<std::uint32_t>(key.kind));
        body.Text(key.name);
        body.U32(holders - first);
        for (std::size_t i = first; i < holders; ++i) {
            const PartitionIndex& index = *partitions[pairs[i].partition].index;
            body.U32(pairs[i].partition);
            if (key.kind != kPartitionTypeCell) {
                body.U32(0);
                continue;
            }
            const std::size_t items = index.ListSize(pairs[i].entry);
            body.U32(items);
            for (std::size_t item = 0; item < items; ++item) body.Text(index.ListItem(pairs[i].entry, item));
        }
        std::size_t users = 0;  // a part type naming the cell twice uses it once
        for (std::size_t i = holders; i < next; ++i)
            users += i == holders || pairs[i].partition != pairs[i - 1].partition || pairs[i].entry != pairs[i - 1].entry;
        body.U32(users);
        for (std::size_t i = holders; i < next; ++i) {
            if (i > holders && pairs[i].partition == pairs[i - 1].partition && pairs[i].entry == pairs[i - 1].entry) continue;
            body.U32(pairs[i].partition);
            body.Text(partitions[pairs[i].partition].index->Name(pairs[i].entry));
        }
        const std::size_t length = body.out.size() - at - 12;
        for (int i = 0; i < 4; ++i) body.out[at + 8 + static_cast<std::size_t>(i)] = static_cast<char>((length >> (8 * i)) & 0xFF);
        Put64(body.out, at, Checksum(body.out.data() + at + 12, length));
        body.Align();
        std::size_t slot = static_cast<std::size_t>(key.hash >> 32) & (slots - 1);
        while (slotTable[slot] != 0) slot = (slot + 1) & (slots - 1);
        slotTable[slot] = (static_cast<std::uint64_t>(at / 8 + 1) << 32) | static_cast<std::uint32_t>(key.hash);
    }
    std::string out = std::move(head.out);
    out.resize(recordsAt, '\0');
    for (std::size_t slot = 0; slot < slots; ++slot) Put64(out, slotsAt + 8 * slot, slotTable[slot]);
    for (std::size_t page = 0; page < slots / kPageSlots; ++page)
        Put64(out, checksumsAt + 8 * page, Checksum(out.data() + slotsAt + 8 * kPageSlots * page, 8 * kPageSlots, page));
    Put64(out, 24, tableBytes);
    Put64(out, 32, body.out.size());
    Put64(out, kWideChecksumAt, Checksum(out.data(), slotsAt));
    out += body.out;
    return out;
}

bool LibraryWideIndex::Open(const std::string& file) {
    Close();
    if (!m_file.Open(file)) return false;
    m_size = m_file.Size();
    if (Parse()) return true;
    Close();
    return false;
}

bool LibraryWideIndex::Attach(std::string_view bytes) {
    Close();
    m_attached = bytes;
    m_size = bytes.size();
    if (Parse()) return true;
    Close();
    return false;
}

void LibraryWideIndex::Close() {
    m_file.Close();
    m_attached = {};
    m_size = 0;
    m_head.clear();
    m_partitions.clear();
    m_slots = 0;
    m_pages.clear();
    m_record.clear();
}

bool LibraryWideIndex::Read(std::uint64_t at, std::size_t size, std::string& out) const {
    if (m_attached.data() == nullptr) return m_file.ReadAt(at, size, out);
    if (at > m_size || m_size - at < size) return false;
    out.assign(m_attached.substr(static_cast<std::size_t>(at), size));
    return true;
}

bool LibraryWideIndex::Parse() {
    std::string head;
    if (!Read(0, kWideHeader, head) || std::memcmp(head.data(), kWideMagic, sizeof kWideMagic) != 0 || Get(head, 8, 4) != kVersion)
        return false;
    const std::uint64_t count = Get(head, 12, 4), slots = Get(head, 16, 4), table = Get(head, 24, 8), records = Get(head, 32, 8);
    if (slots < kPageSlots || (slots & (slots - 1)) != 0 || table > m_size || records > m_size) return false;
    const std::size_t checksums = (kWideHeader + table + 7) & ~std::uint64_t{7};
    const std::size_t slotTable = checksums + 8 * (slots / kPageSlots);
    const std::size_t recordsAt = slotTable + 8 * slots;
    if (recordsAt + records != m_size || !Read(0, slotTable, m_head)) return false;
    // The checksum counts its own 8 bytes as zero.
    const std::uint64_t stored = Get(m_head, kWideChecksumAt, 8);
    Put64(m_head, kWideChecksumAt, 0);
    const bool intact = Checksum(m_head.data(), m_head.size()) == stored;
    Put64(m_head, kWideChecksumAt, stored);
    if (!intact) return false;
    Cursor cursor{m_head, kWideHeader, kWideHeader + table};
    m_partitions.clear();
    for (std::uint64_t i = 0; i < count && cursor.ok; ++i) {
        Entry entry;
        entry.id.type = static_cast<int>(cursor.Read(4));
        entry.stamp.exists = cursor.Read(4) != 0;
        entry.stamp.size = cursor.Read(8);
        entry.stamp.modified = static_cast<std::int64_t>(cursor.Read(8));
        entry.stamp.identity = cursor.Read(8);
        entry.id.name = std::string(cursor.Text());
        m_partitions.push_back(std::move(entry));
    }
    if (!cursor.ok || cursor.at != cursor.end) return false;
    m_slots = slots;
    m_checksums = checksums;
    m_slotTable = slotTable;
    m_records = recordsAt;
    m_recordsSize = records;
    m_pages.assign(slots / kPageSlots, std::string());
    return true;
}

bool LibraryWideIndex::Slot(std::size_t slot, std::uint64_t& value) const {
    const std::size_t page = slot / kPageSlots;
    std::string& slots = m_pages[page];
    if (slots.empty()) {
        if (!Read(m_slotTable + 8 * page * kPageSlots, 8 * kPageSlots, slots) ||
            Checksum(slots.data(), slots.size(), page) != Get(m_head, m_checksums + 8 * page, 8)) {
            slots.clear();
            return false;
        }
    }
    value = Get(slots, 8 * (slot % kPageSlots), 8);
    return true;
}

LibraryWideIndex::Found LibraryWideIndex::Lookup(int kind, std::string_view name, Answer& answer) const {
    answer = {};
    if (m_slots == 0) return Found::Damaged;
    const std::uint64_t hash = KeyHash(kind, name);
    std::size_t slot = static_cast<std::size_t>(hash >> 32) & (m_slots - 1);
    for (std::size_t probes = 0; probes < m_slots; ++probes, slot = (slot + 1) & (m_slots - 1)) {
        std::uint64_t value = 0;
        if (!Slot(slot, value)) return Found::Damaged;
        if (value == 0) return Found::No;
        if (static_cast<std::uint32_t>(value) != static_cast<std::uint32_t>(hash)) continue;
        const std::uint64_t at = ((value >> 32) - 1) * 8;
        if (at > m_recordsSize || m_recordsSize - at < 12) return Found::Damaged;
        // Most records are short: one read takes the record and its length.
        const std::size_t first = static_cast<std::size_t>(std::min<std::uint64_t>(m_recordsSize - at, 256));
        if (!Read(m_records + at, first, m_record)) return Found::Damaged;
        const std::uint64_t length = Get(m_record, 8, 4);
        if (m_recordsSize - at - 12 < length) return Found::Damaged;
        if (12 + length > first && !Read(m_records + at, static_cast<std::size_t>(12 + length), m_record)) return Found::Damaged;
        if (Checksum(m_record.data() + 12, static_cast<std::size_t>(length)) != Get(m_record, 0, 8)) return Found::Damaged;
        Cursor cursor{m_record, 12, static_cast<std::size_t>(12 + length)};
        const int recordKind = static_cast<int>(cursor.Read(4));
        const std::string_view recordName = cursor.Text();
        if (!cursor.ok) return Found::Damaged;
        if (recordKind != kind || recordName != name) continue;
        for (std::uint64_t i = 0, holders = cursor.Read(4); i < holders && cursor.ok; ++i) {
            Holder holder{static_cast<std::uint32_t>(cursor.Read(4)), {}};
            if (holder.partition >= m_partitions.size()) cursor.ok = false;
            for (std::uint64_t j = 0, items = cursor.Read(4); j < items && cursor.ok; ++j) holder.list.emplace_back(cursor.Text());
            answer.holders.push_back(std::move(holder));
        }
        for (std::uint64_t i = 0, users = cursor.Read(4); i < users && cursor.ok; ++i) {
            const auto partition = static_cast<std::uint32_t>(cursor.Read(4));
            if (partition >= m_partitions.size()) cursor.ok = false;
            answer.users.push_back({partition, std::string(cursor.Text())});
        }
        if (!cursor.ok || cursor.at != cursor.end) {
            answer = {};
            return Found::Damaged;
        }
        return Found::Yes;
    }
    return Found::No;
}

}  // namespace kelm::store

// The library-wide index `<name>.index\Library.idx`: every name of every
// kind in the library (part numbers, cells, symbols) in one open-addressing
// hash table, read piece by piece where it lies, so that a first lookup
// reads a few pages of it and builds nothing per item.
//
// It is merged from the partitions' own indexes and records, for each
// partition, the identity of the data file its part of the table was made
// from. A session trusts the part of a partition only while that identity
// is the data file's own; any other partition is answered from its own
// index. Each page of slots and each record carries its own checksum, and a
// lookup checks what it reads (a page of slots the first time only): a
// failed check makes the whole file count as damaged (it is merged again).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Files.h"
#include "platform/ReadOnlyFile.h"
#include "store/format/PartitionNames.h"
#include "store/index/PartitionIndex.h"

namespace kelm::store {

class LibraryWideIndex {
public:
    static constexpr std::uint32_t kVersion = 1;

    // One partition as it goes into the table: its index describes the data
    // file with the index's own stamp.
    struct Source {
        PartitionId id;
        const PartitionIndex* index = nullptr;
    };
    static std::string Build(const std::vector<Source>& partitions);

    // What the table knows of one name of one kind (a partition type: part
    // numbers in part partitions, cells in cell partitions, symbols in
    // symbol partitions). Partitions are numbers into the partition table.
    struct Holder {
        std::uint32_t partition;
        StringList list;  // a cell's pins in that partition
    };
    struct User {
        std::uint32_t partition;
        std::string number;  // a part type using the cell
    };
    struct Answer {
        std::vector<Holder> holders;
        std::vector<User> users;  // cells only
        const Holder* In(std::uint32_t partition) const;
    };

    // Opens the file and reads its header and partition table; false when
    // it is missing, of another version, or either is damaged.
    bool Open(const std::string& file);
    // Takes bytes that stay alive while this object is used (tests, fuzzing).
    bool Attach(std::string_view bytes);
    void Close();

    std::size_t Partitions() const { return m_partitions.size(); }
    const PartitionId& Id(std::size_t partition) const { return m_partitions[partition].id; }
    const platform::FileStamp& Stamp(std::size_t partition) const { return m_partitions[partition].stamp; }

    enum class Found { Yes, No, Damaged };
    Found Lookup(int kind, std::string_view name, Answer& answer) const;

private:
    struct Entry {
        PartitionId id;
        platform::FileStamp stamp;
    };
    bool Parse();
    // `size` bytes at `at`, from the file or the attached bytes.
    bool Read(std::uint64_t at, std::size_t size, std::string& out) const;
    // The slot's value, from the slots last read where it is among them;
    // false when its page is damaged.
    bool Slot(std::size_t slot, std::uint64_t& value) const;

    platform::ReadOnlyFile m_file;
    std::string_view m_attached;  // with Attach
    std::uint64_t m_size = 0;
    std::string m_head;  // the header, partition table and page checksums
    std::vector<Entry> m_partitions;
    std::size_t m_slots = 0, m_checksums = 0, m_slotTable = 0, m_records = 0, m_recordsSize = 0;
    // The pages of slots read so far, each checked when read (empty: not
    // read yet); a session that asks many questions keeps the table.
    mutable std::vector<std::string> m_pages;
    mutable std::string m_record;
};

}  // namespace kelm::store

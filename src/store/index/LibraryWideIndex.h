// The library-wide index `<name>.index\Library.idx`: every name of every
// kind in the library (part numbers, cells, symbols) in one open-addressing
// hash table, read in place through a read-only mapping, so that a first
// lookup touches a few pages of it and builds nothing per item.
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
#include "platform/MappedFile.h"
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

    // Maps the file; false when it is missing, of another version, or its
    // header or partition table is damaged.
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

    platform::MappedFile m_file;
    std::string_view m_bytes;
    std::vector<Entry> m_partitions;
    std::size_t m_slots = 0, m_checksums = 0, m_slotTable = 0, m_records = 0, m_recordsSize = 0;
    // Pages of slots whose checksum was found right: the bytes stay as they
    // were opened, so each page is checked once.
    mutable std::vector<bool> m_pageChecked;
};

}  // namespace kelm::store

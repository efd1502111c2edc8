// The library index on disk: beside the configuration `<name>.qvm`, the
// folder `<name>.index` holds one index file per partition (see
// PartitionIndex), named after the partition's data file:
//   <name>.index\PartsDBLibs\Resistors.pdb.idx
//   <name>.index\CellDBLibs\Smd.cells.idx
//   <name>.index\SymbolLibs\Gates.idx
// It is derived from the partition files and never their source of truth:
// an index file is used only while the identity of the data file it
// records (size, time stamp and file identity) is the data file's own. A
// missing, damaged, older or stale index file is derived again from that
// one data file and written back; a failure to write it back is not one.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "kelmapi/automation.h"
#include "store/format/PartitionNames.h"
#include "store/index/PartitionIndex.h"

namespace kelm::store {

using IndexPtr = std::shared_ptr<const PartitionIndex>;

class LibraryIndex {
public:
    // `folder` is the library folder (ending in a separator), `stem` the
    // name of the configuration file without its extension.
    void Open(const std::string& indexFolder);

    std::string FileOf(const PartitionId& id) const;
    // The library-wide index (see LibraryWideIndex).
    std::string WideFile() const { return m_folder + "Library.idx"; }

    // The index of the partition as `dataFile` is now: `index` itself when
    // it still describes the file, else the index file, else one derived
    // from the data file. KELM_E_CORRUPT or KELM_E_IO when the data file
    // cannot be read (`error` names the file and line).
    HRESULT Current(const PartitionId& id, const std::string& dataFile, IndexPtr& index, std::string& error) const;

    // The index of entries that the store has just written to the data file
    // with `stamp`; the index file is written too (the save holds the lock).
    IndexPtr Write(const PartitionId& id, const platform::FileStamp& stamp, const std::vector<IndexEntryRef>& entries) const;

private:
    IndexPtr Store(const PartitionId& id, std::string bytes) const;

    std::string m_folder;
};

// The entries of a partition from its data file alone.
HRESULT ReadIndexEntries(int partitionType, const std::string& dataFile, std::vector<IndexEntry>& entries,
                         std::string& error);

}  // namespace kelm::store

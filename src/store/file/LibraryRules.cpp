// The library-wide rules, checked once more at save under the library lock
// against the library as it is on disk then: each session checks its edits
// against what it has read, but another session may have saved since.
//   - a part number lives in one partition only;
//   - a cell name in several cell partitions has the same pins in each.
// A save that would break one is refused before anything is written, and
// the text names every item that collided and where it already lives.
#include <algorithm>
#include <functional>

#include "store/file/FileStoreBackend.h"
#include "util/AutoTypes.h"

namespace kelm::store {
namespace {
constexpr std::size_t kNamedAtMost = 200;

// "2 part number(s) already live ..., so nothing was saved: R1 (in A), R3 (in A)"
std::string Counted(std::vector<std::string>& items, const std::string& what) {
    std::sort(items.begin(), items.end());
    std::string text = std::to_string(items.size()) + " " + what + ", so nothing was saved: ";
    for (std::size_t i = 0; i < items.size() && i < kNamedAtMost; ++i) text += (i ? ", " : "") + items[i];
    if (items.size() > kNamedAtMost) text += " and " + std::to_string(items.size() - kNamedAtMost) + " more";
    return text;
}

StringList Sorted(StringList list) {
    std::sort(list.begin(), list.end());
    return list;
}
}  // namespace

HRESULT FileStoreBackend::CheckLibraryRules(const LibraryConfig& merged, const std::vector<Partition*>& dirty) {
    // The current index of every partition of the type that this save does
    // not write; for part numbers, only of those that changed since the
    // numbers were added.
    auto forEachOther = [&](int type, const std::function<void(const PartitionId&, const PartitionIndex&)>& visit) -> HRESULT {
        for (const PartitionId& id : merged.partitions) {
            if (id.type != type) continue;
            Partition* known = Find(id.type, id.name);
            if (known && known->dirty) continue;
            // Deleted and added again by this session: its old file goes to
            // Deleted before anything is written, and nothing new is in it.
            if (std::any_of(m_deleted.begin(), m_deleted.end(),
                            [&](const PartitionId& gone) { return gone.type == id.type && EqualNoCase(gone.name, id.name); }))
                continue;
            if (type == kPartitionTypePart && known && known->addCheck == Partition::AddCheck::At &&
                platform::StampOf(DataFile(id)) == known->addsCheckedAt)
                continue;
            IndexPtr scratch;
            IndexPtr& index = known ? known->index : scratch;
            std::string error;
            const HRESULT current = m_index.Current(id, DataFile(id), index, error);
            if (FAILED(current)) return Fail(current, error);
            if (known) known->indexChecked = true;
            visit(id, *index);
        }
        return S_OK;
    };

    struct Added {
        const std::string* name;
        std::uint64_t hash;
        const Partition* into;
    };
    std::vector<Added> parts, cells;
    for (const Partition* partition : dirty) {
        if (partition->id.type == kPartitionTypePart) {
            for (const std::string& number : partition->changedParts)
                if (partition->parts.Contains(number)) parts.push_back({&number, PartitionIndex::Hash(number), partition});
        } else if (partition->id.type == kPartitionTypeCell) {
            for (const std::string& cell : partition->addedCells)
                if (partition->cells.count(cell)) cells.push_back({&cell, PartitionIndex::Hash(cell), partition});
        }
    }

    std::vector<std::string> collisions;
    if (!parts.empty()) {
        RETURN_IF_FAILED(forEachOther(kPartitionTypePart, [&](const PartitionId& id, const PartitionIndex& index) {
            for (const Added& part : parts)
                if (index.Find(*part.name, part.hash) != PartitionIndex::npos) collisions.push_back(*part.name + " (in " + id.name + ")");
        }));
        if (!collisions.empty())
            return Fail(KELM_E_DUPLICATE, Counted(collisions, "part number(s) already live in another partition"));
    }
    if (!cells.empty()) {
        RETURN_IF_FAILED(forEachOther(kPartitionTypeCell, [&](const PartitionId& id, const PartitionIndex& index) {
            for (const Added& cell : cells) {
                const std::size_t entry = index.Find(*cell.name, cell.hash);
                if (entry != PartitionIndex::npos && Sorted(index.List(entry)) != Sorted(cell.into->cells.at(*cell.name).pins))
                    collisions.push_back(*cell.name + " (in " + id.name + ")");
            }
        }));
        if (!collisions.empty())
            return Fail(KELM_E_CONFLICT, Counted(collisions, "cell(s) already live in another partition with other pins"));
    }
    return S_OK;
}

}  // namespace kelm::store

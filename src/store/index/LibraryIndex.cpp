#include "store/index/LibraryIndex.h"

#include <algorithm>

#include "platform/AtomicFile.h"
#include "store/format/PartJournal.h"
#include "store/format/PartitionFiles.h"
#include "store/items/StoreBackend.h"
#include "util/AutoTypes.h"

namespace kelm::store {

void LibraryIndex::Open(const std::string& indexFolder) { m_folder = indexFolder; }

std::string LibraryIndex::FileOf(const PartitionId& id) const {
    switch (id.type) {
    case kPartitionTypePart: return m_folder + "PartsDBLibs\\" + id.name + ".pdb.idx";
    case kPartitionTypeCell: return m_folder + "CellDBLibs\\" + id.name + kCellCatalogExtension + ".idx";
    default: return m_folder + "SymbolLibs\\" + id.name + ".idx";
    }
}

IndexPtr LibraryIndex::Store(const PartitionId& id, std::string bytes) const {
    const std::string file = FileOf(id);
    const std::size_t slash = file.find_last_of('\\');
    std::string ignored;
    if (platform::MakeFolders(file.substr(0, slash))) (void)platform::WriteFileAtomic(file, bytes, ignored, platform::Flush::No);
    auto index = std::make_shared<PartitionIndex>();
    if (!index->Parse(std::move(bytes))) return nullptr;
    return index;
}

HRESULT LibraryIndex::Current(const PartitionId& id, const std::string& dataFile, IndexPtr& index,
                              std::string& error) const {
    // The stamp is taken before anything is read: a file replaced meanwhile
    // gives an index that records the older stamp, which is derived again
    // on next use, never one that passes for newer than it is.
    const platform::FileStamp stamp = platform::StampOf(dataFile);
    if (index && index->Stamp() == stamp && index->PartitionType() == id.type) return S_OK;
    std::string bytes;
    if (platform::ReadWholeFile(FileOf(id), bytes, error) == platform::FileResult::Ok) {
        auto read = std::make_shared<PartitionIndex>();
        if (read->Parse(std::move(bytes)) && read->Stamp() == stamp && read->PartitionType() == id.type) {
            index = std::move(read);
            return S_OK;
        }
    }
    error.clear();
    std::vector<IndexEntry> entries;
    RETURN_IF_FAILED(ReadIndexEntries(id.type, dataFile, entries, error));
    index = Store(id, PartitionIndex::Build(id.type, stamp, entries));
    if (!index) {
        error = "the index of " + dataFile + " cannot be built";
        return KELM_E_CORRUPT;
    }
    return S_OK;
}

IndexPtr LibraryIndex::Write(const PartitionId& id, const platform::FileStamp& stamp,
                             const std::vector<IndexEntryRef>& entries) const {
    return Store(id, PartitionIndex::Build(id.type, stamp, entries));
}

HRESULT ReadIndexEntries(int partitionType, const std::string& dataFile, std::vector<IndexEntry>& entries,
                         std::string& error) {
    entries.clear();
    if (partitionType == kPartitionTypeSymbol) {
        std::vector<std::string> names;
        if (!platform::ListFiles(dataFile, names)) return S_OK;  // no folder: no symbols
        const std::size_t extension = std::char_traits<char>::length(kSymbolFileExtension);
        for (const std::string& name : names)
            if (name.size() > extension && name.compare(name.size() - extension, extension, kSymbolFileExtension) == 0)
                entries.push_back({name.substr(0, name.size() - extension), {}});
        std::sort(entries.begin(), entries.end(), [](const IndexEntry& a, const IndexEntry& b) { return a.name < b.name; });
        return S_OK;
    }
    std::string text;
    const platform::FileResult read = partitionType == kPartitionTypePart ? ReadPartFile(dataFile, text, error)
                                                                         : platform::ReadWholeFile(dataFile, text, error);
    if (read == platform::FileResult::NotFound) {
        error.clear();
        return S_OK;
    }
    if (read != platform::FileResult::Ok) return KELM_E_IO;
    if (partitionType == kPartitionTypePart) {
        const bool ok = ScanPartFile(text, dataFile, [&](const PartLine& line) {
            entries.push_back({line.number, StringList(line.cells.begin(), line.cells.begin() + static_cast<std::ptrdiff_t>(line.cellCount))});
        }, error);
        return ok ? S_OK : KELM_E_CORRUPT;
    }
    CellMap cells;
    if (!ParseCellCatalog(text, dataFile, {}, cells, error)) return KELM_E_CORRUPT;
    entries.reserve(cells.size());
    for (auto& [name, cell] : cells) entries.push_back({name, std::move(cell.pins)});
    return S_OK;
}

}  // namespace kelm::store

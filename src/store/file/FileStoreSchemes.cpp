// Search schemes and partitions of the file-backed store. Changes to the
// configuration live in memory (and in the session's list of edits) until
// Save.
#include <algorithm>

#include "store/file/FileStoreBackend.h"
#include "store/file/ReservationFile.h"
#include "util/AutoTypes.h"

namespace kelm::store {

HRESULT FileStoreBackend::GetSchemes(const ObjectState&, StringList& schemes) {
    RETURN_IF_FAILED(RequireLoaded());
    schemes.clear();
    for (const SearchScheme& scheme : m_config.schemes) schemes.push_back(scheme.name);
    return S_OK;
}

HRESULT FileStoreBackend::GetDefaultSearchSchemeName(const ObjectState&, std::string& name) {
    RETURN_IF_FAILED(RequireLoaded());
    const SearchScheme* scheme = m_config.DefaultScheme();
    if (!scheme) return Fail(KELM_E_NO_DEFAULT_SCHEME, "the library has no default search scheme");
    name = scheme->name;
    return S_OK;
}

HRESULT FileStoreBackend::GetDefaultSearchScheme(const ObjectState&, StringList& partitions) {
    RETURN_IF_FAILED(RequireLoaded());
    const SearchScheme* scheme = m_config.DefaultScheme();
    if (!scheme) return Fail(KELM_E_NO_DEFAULT_SCHEME, "the library has no default search scheme");
    partitions = scheme->partitions;
    return S_OK;
}

HRESULT FileStoreBackend::ViewDefaultSearchScheme(const ObjectState&, const StringList*& partitions) {
    RETURN_IF_FAILED(RequireLoaded());
    const SearchScheme* scheme = m_config.DefaultScheme();
    if (!scheme) return Fail(KELM_E_NO_DEFAULT_SCHEME, "the library has no default search scheme");
    partitions = &scheme->partitions;
    return S_OK;
}

HRESULT FileStoreBackend::GetSchemePartitionList(const ObjectState&, const std::string& name, StringList& partitions) {
    RETURN_IF_FAILED(RequireLoaded());
    const int index = m_config.FindScheme(name);
    if (index < 0) return Fail(KELM_E_NO_SUCH_SCHEME, "no search scheme \"" + name + "\"");
    partitions = m_config.schemes[static_cast<std::size_t>(index)].partitions;
    return S_OK;
}

HRESULT FileStoreBackend::GetDefaultSchemeProtection(const ObjectState&, int& protection) {
    RETURN_IF_FAILED(RequireLoaded());
    const SearchScheme* scheme = m_config.DefaultScheme();
    if (!scheme) return Fail(KELM_E_NO_DEFAULT_SCHEME, "the library has no default search scheme");
    protection = scheme->protection;
    return S_OK;
}

HRESULT FileStoreBackend::GetAllPartitions(const ObjectState&, StringList& partitions, int) {
    RETURN_IF_FAILED(RequireLoaded());
    partitions.clear();
    for (const PartitionId& id : m_config.partitions) partitions.push_back(RelativePartitionPath(id.type, id.name));
    return S_OK;
}

HRESULT FileStoreBackend::GetNumObjectsInPartition(const ObjectState& state, const std::string& text, int& count) {
    Partition* partition = nullptr;
    RETURN_IF_FAILED(Resolve(text, state.partitionType, partition));
    RETURN_IF_FAILED(EnsureLoaded(*partition));
    switch (partition->id.type) {
    case kPartitionTypePart: count = static_cast<int>(partition->parts.Size()); break;
    case kPartitionTypeCell: count = static_cast<int>(partition->cells.size()); break;
    default: count = static_cast<int>(partition->symbols.size()); break;
    }
    return S_OK;
}

HRESULT FileStoreBackend::AddPartition(const ObjectState& state, const std::string& path, int) {
    RETURN_IF_FAILED(RequireWritable());
    PartitionId id;
    const HRESULT parsed = ParsePartitionName(path, state.partitionType, id);
    if (parsed == KELM_E_UNSAFE_PATH) return Fail(parsed, "partition name \"" + path + "\" leaves the library folder");
    if (FAILED(parsed)) return Fail(KELM_E_BAD_ARGUMENT, "\"" + path + "\" does not name a partition");
    if (const char* reason = UnstorableNameReason(id.name, NameUse::FileName))
        return Fail(KELM_E_UNSAFE_PATH, "partition name \"" + id.name + "\" refused: " + reason);
    if (Find(id.type, id.name))
        return Fail(kItemExistsOrMissing, "partition " + RelativePartitionPath(id.type, id.name) + " exists");
    ConfigEdit edit{ConfigEdit::Op::AddPartition, id, {}, false};
    ApplyConfigEdit(m_config, edit);
    m_edits.push_back(edit);
    SyncPartitionsWithConfig();
    // Deleted and added again before a save: the partition starts empty, not
    // with its old file, which the save moves into Deleted.
    const bool readded = std::any_of(m_deleted.begin(), m_deleted.end(), [&](const PartitionId& gone) {
        return gone.type == id.type && EqualNoCase(gone.name, id.name);
    });
    if (Partition* partition = readded ? Find(id.type, id.name) : nullptr) {
        partition->loaded = true;
        SourcesChanged();
        partition->stamp = platform::StampOf(DataFile(partition->id));
    }
    return S_OK;
}

HRESULT FileStoreBackend::DeletePartition(const ObjectState& state, const std::string& path) {
    RETURN_IF_FAILED(RequireWritable());
    Partition* partition = nullptr;
    const HRESULT resolved = Resolve(path, state.partitionType, partition);
    if (resolved == KELM_E_NO_SUCH_PARTITION) return Fail(kItemExistsOrMissing, m_lastError);
    RETURN_IF_FAILED(resolved);
    // A partition that someone else holds is theirs to change.
    RETURN_IF_FAILED(CurrentReservations());
    const std::string relative = RelativePartitionPath(partition->id.type, partition->id.name);
    const int index = FindReservation(m_reservations, relative);
    if (index >= 0 && !EqualNoCase(m_reservations[static_cast<std::size_t>(index)].holder, state.workingUser))
        return Fail(KELM_E_RESERVED_BY_OTHER,
                    "partition " + relative + " is reserved by " + m_reservations[static_cast<std::size_t>(index)].holder);
    const PartitionId id = partition->id;
    ConfigEdit edit{ConfigEdit::Op::DeletePartition, id, {}, false};
    ApplyConfigEdit(m_config, edit);
    m_edits.push_back(edit);
    m_deleted.push_back(id);
    SyncPartitionsWithConfig();
    return S_OK;
}

HRESULT FileStoreBackend::AddSearchScheme(const ObjectState& state, const std::string& name, const StringList& partitions,
                                          int protection, int makeDefaultIfNone) {
    RETURN_IF_FAILED(RequireWritable());
    if (name.empty()) return Fail(KELM_E_BAD_ARGUMENT, "a search scheme needs a name");
    if (m_config.FindScheme(name) >= 0) return Fail(kItemExistsOrMissing, "search scheme \"" + name + "\" exists");
    SearchScheme scheme{name, protection, {}};
    for (const std::string& entry : partitions) {
        PartitionId id;
        const HRESULT parsed = ParsePartitionName(entry, state.partitionType, id);
        if (parsed == KELM_E_UNSAFE_PATH) return Fail(parsed, "partition name \"" + entry + "\" leaves the library folder");
        if (FAILED(parsed)) return Fail(KELM_E_BAD_ARGUMENT, "\"" + entry + "\" does not name a partition");
        if (const Partition* known = Find(id.type, id.name)) id = known->id;  // the spelling it was created with
        scheme.partitions.push_back(RelativePartitionPath(id.type, id.name));
    }
    ConfigEdit edit{ConfigEdit::Op::AddScheme};
    edit.scheme = std::move(scheme);
    edit.makeDefault = makeDefaultIfNone == 1;
    ApplyConfigEdit(m_config, edit);
    m_edits.push_back(std::move(edit));
    ViewChanged();
    return S_OK;
}

HRESULT FileStoreBackend::DeleteScheme(const ObjectState&, const std::string& name) {
    RETURN_IF_FAILED(RequireWritable());
    const int index = m_config.FindScheme(name);
    if (index < 0) return Fail(kItemExistsOrMissing, "no search scheme \"" + name + "\"");
    ConfigEdit edit{ConfigEdit::Op::DeleteScheme};
    edit.scheme = m_config.schemes[static_cast<std::size_t>(index)];
    ApplyConfigEdit(m_config, edit);
    m_edits.push_back(std::move(edit));
    ViewChanged();
    return S_OK;
}

}  // namespace kelm::store

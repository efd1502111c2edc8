#include "store/format/LibraryConfig.h"

#include <algorithm>
#include <unordered_set>

#include "store/format/JsonLines.h"
#include "store/items/StoreBackend.h"

namespace kelm::store {
namespace {
bool PartitionLess(const PartitionId& a, const PartitionId& b) {
    if (a.type != b.type) return a.type < b.type;
    const std::string la = LowerAscii(a.name), lb = LowerAscii(b.name);
    return la != lb ? la < lb : a.name < b.name;
}
bool SchemeLess(const SearchScheme& a, const SearchScheme& b) {
    const std::string la = LowerAscii(a.name), lb = LowerAscii(b.name);
    return la != lb ? la < lb : a.name < b.name;
}
}  // namespace

int LibraryConfig::FindPartition(int type, const std::string& name) const {
    for (std::size_t i = 0; i < partitions.size(); ++i) {
        if (partitions[i].type == type && EqualNoCase(partitions[i].name, name)) return static_cast<int>(i);
    }
    return -1;
}

int LibraryConfig::FindScheme(const std::string& name) const {
    for (std::size_t i = 0; i < schemes.size(); ++i) {
        if (EqualNoCase(schemes[i].name, name)) return static_cast<int>(i);
    }
    return -1;
}

const SearchScheme* LibraryConfig::DefaultScheme() const {
    if (defaultScheme.empty()) return nullptr;
    const int index = FindScheme(defaultScheme);
    return index < 0 ? nullptr : &schemes[static_cast<std::size_t>(index)];
}

void LibraryConfig::InsertPartition(const PartitionId& id) {
    partitions.insert(std::upper_bound(partitions.begin(), partitions.end(), id, PartitionLess), id);
}

void LibraryConfig::InsertScheme(const SearchScheme& scheme) {
    schemes.insert(std::upper_bound(schemes.begin(), schemes.end(), scheme, SchemeLess), scheme);
}

bool ParseLibraryConfig(const std::string& text, const std::string& fileName, LibraryConfig& config, std::string& error) {
    config = LibraryConfig{};
    // Names seen so far, by kind and lower-cased name: the lines are
    // checked for repeats and sorted once at the end.
    std::unordered_set<std::string> partitionsSeen, schemesSeen;
    bool ok = jsonl::ReadLines(text, "library", fileName, [&](jsonl::Cursor& cursor) {
        if (!cursor.BeginObject()) return false;
        std::string_view key;
        if (!cursor.NextKey(key)) return cursor.Fail("empty record");
        if (key == "partition") {
            PartitionId id;
            std::string kind;
            if (!cursor.String(id.name)) return false;
            while (cursor.NextKey(key)) {
                if (key == "kind") { if (!cursor.String(kind)) return false; }
                else return cursor.UnknownKey(key);
            }
            if (!cursor.Error().empty()) return false;
            id.type = TypeOfKindWord(kind);
            if (id.type < 0) return cursor.Fail("unknown partition kind \"" + kind + "\"");
            if (!IsSafeFileName(id.name)) return cursor.Fail("unusable partition name \"" + id.name + "\"");
            if (!partitionsSeen.insert(std::to_string(id.type) + ':' + LowerAscii(id.name)).second)
                return cursor.Fail("partition \"" + id.name + "\" listed twice");
            config.partitions.push_back(std::move(id));
            return true;
        }
        if (key == "scheme") {
            SearchScheme scheme;
            if (!cursor.String(scheme.name)) return false;
            while (cursor.NextKey(key)) {
                bool fieldOk = true;
                if (key == "protection") {
                    std::int32_t protection = 0;
                    fieldOk = cursor.Int32(protection);
                    scheme.protection = protection;
                } else if (key == "partitions") {
                    fieldOk = cursor.List(scheme.partitions);
                } else {
                    return cursor.UnknownKey(key);
                }
                if (!fieldOk) return false;
            }
            if (!cursor.Error().empty()) return false;
            if (scheme.name.empty()) return cursor.Fail("a search scheme without a name");
            if (!schemesSeen.insert(LowerAscii(scheme.name)).second)
                return cursor.Fail("search scheme \"" + scheme.name + "\" listed twice");
            config.schemes.push_back(std::move(scheme));
            return true;
        }
        if (key == "default") {
            if (!cursor.String(config.defaultScheme)) return false;
            if (cursor.NextKey(key)) return cursor.UnknownKey(key);
            return cursor.Error().empty();
        }
        return cursor.UnknownKey(key);
    }, error);
    // In the order InsertPartition and InsertScheme keep.
    std::stable_sort(config.partitions.begin(), config.partitions.end(), PartitionLess);
    std::stable_sort(config.schemes.begin(), config.schemes.end(), SchemeLess);
    return ok;
}

std::string SerializeLibraryConfig(const LibraryConfig& config) {
    std::string body;
    std::size_t lines = 0;
    for (const PartitionId& id : config.partitions) {
        jsonl::LineWriter(body).Str("partition", id.name).Str("kind", KindWord(id.type)).End();
        ++lines;
    }
    for (const SearchScheme& scheme : config.schemes) {
        jsonl::LineWriter(body).Str("scheme", scheme.name).Int("protection", scheme.protection)
            .List("partitions", scheme.partitions).End();
        ++lines;
    }
    if (!config.defaultScheme.empty()) {
        jsonl::LineWriter(body).Str("default", config.defaultScheme).End();
        ++lines;
    }
    return jsonl::Header("library", lines) + body;
}

void ApplyConfigEdit(LibraryConfig& config, const ConfigEdit& edit) {
    switch (edit.op) {
    case ConfigEdit::Op::AddPartition:
        if (config.FindPartition(edit.partition.type, edit.partition.name) < 0) config.InsertPartition(edit.partition);
        break;
    case ConfigEdit::Op::DeletePartition: {
        const int index = config.FindPartition(edit.partition.type, edit.partition.name);
        if (index >= 0) config.partitions.erase(config.partitions.begin() + index);
        break;
    }
    case ConfigEdit::Op::AddScheme: {
        const int index = config.FindScheme(edit.scheme.name);
        if (index >= 0) config.schemes.erase(config.schemes.begin() + index);
        config.InsertScheme(edit.scheme);
        if (edit.makeDefault && !config.DefaultScheme()) config.defaultScheme = edit.scheme.name;
        break;
    }
    case ConfigEdit::Op::DeleteScheme: {
        const int index = config.FindScheme(edit.scheme.name);
        if (index >= 0) config.schemes.erase(config.schemes.begin() + index);
        break;
    }
    }
}

}  // namespace kelm::store

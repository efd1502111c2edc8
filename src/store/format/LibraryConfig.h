// The library configuration file "<name>.qvm": its partitions (by kind and
// name), its search schemes (name, protection, ordered relative partition
// paths) and the name of the default search scheme. Partitions and schemes
// are kept sorted (by kind, then name without case; schemes by name without
// case) so that the same configuration always gives the same bytes.
#pragma once

#include <string>
#include <vector>

#include "store/format/PartitionNames.h"
#include "util/StringList.h"

namespace kelm::store {

struct SearchScheme {
    std::string name;
    int protection = 0;
    StringList partitions;  // relative partition paths, in order
    bool operator==(const SearchScheme&) const = default;
};

struct LibraryConfig {
    std::vector<PartitionId> partitions;
    std::vector<SearchScheme> schemes;
    std::string defaultScheme;  // may name a scheme that was deleted

    // Index of the partition or scheme (names compared without case); -1 when absent.
    int FindPartition(int type, const std::string& name) const;
    int FindScheme(const std::string& name) const;
    // The default scheme, or null when the library has none.
    const SearchScheme* DefaultScheme() const;

    void InsertPartition(const PartitionId& id);  // keeps the order
    void InsertScheme(const SearchScheme& scheme);
};

bool ParseLibraryConfig(const std::string& text, const std::string& fileName, LibraryConfig& config, std::string& error);
std::string SerializeLibraryConfig(const LibraryConfig& config);

// One change a session made to the configuration. At save the session's
// changes are replayed, in order, on the configuration then on disk, so
// that what other sessions saved meanwhile is kept.
struct ConfigEdit {
    enum class Op { AddPartition, DeletePartition, AddScheme, DeleteScheme } op;
    PartitionId partition;
    SearchScheme scheme;
    bool makeDefault = false;  // AddScheme: becomes the default when the library has none
};
void ApplyConfigEdit(LibraryConfig& config, const ConfigEdit& edit);

}  // namespace kelm::store

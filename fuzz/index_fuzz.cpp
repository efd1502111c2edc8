// The library index files, read from any bytes: the index of one partition
// and the library-wide index are refused or read within their bounds (the
// sanitizers watch every lookup), a lookup never names a partition the
// file does not have, and every name of a partition index that reads is
// found again in a library-wide index merged from it.
#include "FuzzSupport.h"
#include "store/index/LibraryWideIndex.h"
#include "store/items/StoreBackend.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelm::store;
    const std::string bytes = kelm::fuzz::Text(data, size);
    LibraryWideIndex wide;
    LibraryWideIndex::Answer answer;
    auto lookup = [&](int kind, std::string_view name) {
        const LibraryWideIndex::Found found = wide.Lookup(kind, name, answer);
        for (const auto& holder : answer.holders) FUZZ_CHECK(holder.partition < wide.Partitions());
        for (const auto& user : answer.users) FUZZ_CHECK(user.partition < wide.Partitions());
        return found;
    };
    if (wide.Attach(bytes)) {
        for (std::size_t i = 0; i < wide.Partitions() && i < 64; ++i) lookup(wide.Id(i).type, wide.Id(i).name);
        for (const int kind : {kPartitionTypePart, kPartitionTypeCell, kPartitionTypeSymbol})
            lookup(kind, std::string_view(bytes).substr(size / 2, 12));
    }

    PartitionIndex index;
    if (!index.Parse(bytes)) return 0;
    kelm::StringList users;
    for (std::size_t entry = 0; entry < index.Size(); ++entry) {
        index.List(entry);
        index.AppendUsers(index.Name(entry), users);
    }
    const std::string merged = LibraryWideIndex::Build({{{index.PartitionType(), "Fuzz"}, &index}});
    FUZZ_CHECK(wide.Attach(merged));
    FUZZ_CHECK(wide.Partitions() == 1 && wide.Stamp(0) == index.Stamp());
    for (std::size_t entry = 0; entry < index.Size() && entry < 256; ++entry) {
        FUZZ_CHECK(lookup(index.PartitionType(), index.Name(entry)) == LibraryWideIndex::Found::Yes);
        FUZZ_CHECK(answer.In(0) != nullptr);
    }
    return 0;
}

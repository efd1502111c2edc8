// Partition names and the name rules: a name that every system can store
// is safe, parses as a bare name and names the same partition through its
// relative path; the item name rules keep the length.
#include "FuzzSupport.h"
#include "import/ItemNameRules.h"
#include "platform/CodePage.h"
#include "store/format/PartitionNames.h"
#include "store/items/StoreBackend.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelm::store;
    if (size == 0) return 0;
    kelm::platform::SetCodePageForTesting(data[0] & 1 ? 932 : 0);
    const std::string name = kelm::fuzz::Text(data + 1, size - 1);
    PartitionId id;
    (void)ParsePartitionName(name, kPartitionTypePart, id);
    if (UnstorableNameReason(name, NameUse::FileName) == nullptr) {
        FUZZ_CHECK(UnstorableNameReason(name, NameUse::Text) == nullptr);
        FUZZ_CHECK(IsSafeFileName(name));
        FUZZ_CHECK(ParsePartitionName(name, kPartitionTypeSymbol, id) == S_OK && id.name == name);
        FUZZ_CHECK(ParsePartitionName(RelativePartitionPath(kPartitionTypeCell, name), kPartitionTypeNone, id) == S_OK);
        FUZZ_CHECK(id.type == kPartitionTypeCell && id.name == name);
    }
    std::string adjusted = name;
    kelm::AdjustPartNumber(adjusted);
    FUZZ_CHECK(adjusted.size() == name.size());
    adjusted = name;
    kelm::AdjustSymbolName(adjusted);
    FUZZ_CHECK(adjusted.size() == name.size());
    kelm::platform::SetCodePageForTesting(0);
    return 0;
}

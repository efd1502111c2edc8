// The cell catalog of a cell partition: read or refused; what is read
// writes back to a text that reads the same.
#include "FuzzSupport.h"
#include "store/format/PartitionFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelm::store;
    CellMap cells;
    std::string error;
    if (!ParseCellCatalog(kelm::fuzz::Text(data, size), "Fuzz.cells", "Fuzz", cells, error)) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    const std::string written = SerializeCellCatalog(cells);
    CellMap again;
    FUZZ_CHECK(ParseCellCatalog(written, "Fuzz.cells", "Fuzz", again, error));
    FUZZ_CHECK(SerializeCellCatalog(again) == written);
    return 0;
}

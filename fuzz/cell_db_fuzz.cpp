// The cell database file (cell geometry): read or refused; what is read
// writes back to a text that reads the same.
#include "FuzzSupport.h"
#include "store/db/CellDBFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelm::store;
    CellGeometryMap cells;
    std::string error;
    if (!ParseCellDBFile(kelm::fuzz::Text(data, size), "Fuzz.cel", cells, error)) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    const std::string written = SerializeCellDBFile(cells);
    CellGeometryMap again;
    FUZZ_CHECK(ParseCellDBFile(written, "Fuzz.cel", again, error));
    FUZZ_CHECK(SerializeCellDBFile(again) == written);
    return 0;
}

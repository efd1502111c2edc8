// The part type file: the full reader and the scanner used for the
// library-wide indexes must agree on every text (the same verdict, the same
// part numbers and cells), and what is read writes back to the same records.
#include <vector>

#include "FuzzSupport.h"
#include "store/format/PartitionFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelm::store;
    const std::string text = kelm::fuzz::Text(data, size);
    PartMap parts;
    std::string parseError, scanError;
    const bool parsed = ParsePartFile(text, "Fuzz.pdb", "Fuzz", parts, parseError);
    std::vector<PartLine> scanned;
    const bool scannedOk = ScanPartFile(text, "Fuzz.pdb", [&](const PartLine& line) {
        PartLine copy;
        copy.number = line.number;
        copy.cells.assign(line.cells.begin(), line.cells.begin() + static_cast<std::ptrdiff_t>(line.cellCount));
        copy.cellCount = line.cellCount;
        scanned.push_back(copy);
    }, scanError);
    FUZZ_CHECK(parsed == scannedOk);
    if (!parsed) {
        FUZZ_CHECK(parseError == scanError);
        return 0;
    }
    FUZZ_CHECK(scanned.size() == parts.size());
    std::size_t i = 0;
    for (const auto& [number, part] : parts) {
        FUZZ_CHECK(scanned[i].number == number);
        FUZZ_CHECK(scanned[i].cells == part.cells);
        ++i;
    }
    const std::string written = SerializePartFile(parts);
    PartMap again;
    FUZZ_CHECK(ParsePartFile(written, "Fuzz.pdb", "Fuzz", again, parseError));
    FUZZ_CHECK(SerializePartFile(again) == written);
    // Writing again against the text it came from changes nothing.
    FUZZ_CHECK(SerializePartFile(again, written, nullptr) == written);
    return 0;
}

// The padstack database file: read or refused; what is read writes back to
// a text that reads the same.
#include "FuzzSupport.h"
#include "store/db/PadstackFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelm::store;
    std::vector<kelm::padstackdb::PadstackData> padstacks;
    std::string error;
    if (!ParsePadstackFile(kelm::fuzz::Text(data, size), "Fuzz.pads", padstacks, error)) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    const std::string written = SerializePadstackFile(padstacks);
    FUZZ_CHECK(ParsePadstackFile(written, "Fuzz.pads", padstacks, error));
    FUZZ_CHECK(SerializePadstackFile(padstacks) == written);
    return 0;
}

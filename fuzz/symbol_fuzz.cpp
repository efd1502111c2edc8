// A symbol file: read or refused; what is read writes back to the same text.
#include "FuzzSupport.h"
#include "store/format/PartitionFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelm::store;
    std::string name, error;
    kelm::StringList pins;
    if (!ParseSymbolFile(kelm::fuzz::Text(data, size), "Fuzz.1", name, pins, error)) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    const std::string written = SerializeSymbolFile(name, pins);
    std::string nameAgain;
    kelm::StringList pinsAgain;
    FUZZ_CHECK(ParseSymbolFile(written, "Fuzz.1", nameAgain, pinsAgain, error));
    FUZZ_CHECK(nameAgain == name && pinsAgain == pins);
    return 0;
}

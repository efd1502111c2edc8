// The library configuration reader: any text is read or refused with a
// message; what is read writes back to a text that reads the same.
#include "FuzzSupport.h"
#include "store/format/LibraryConfig.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelm::store;
    LibraryConfig config;
    std::string error;
    if (!ParseLibraryConfig(kelm::fuzz::Text(data, size), "Fuzz.qvm", config, error)) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    const std::string written = SerializeLibraryConfig(config);
    LibraryConfig again;
    FUZZ_CHECK(ParseLibraryConfig(written, "Fuzz.qvm", again, error));
    FUZZ_CHECK(SerializeLibraryConfig(again) == written);
    return 0;
}

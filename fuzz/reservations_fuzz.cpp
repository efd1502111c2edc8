// The reservations file: read or refused; what is read writes back to a
// text that reads the same, and every partition is found again.
#include "FuzzSupport.h"
#include "store/file/ReservationFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelm::store;
    std::vector<Reservation> reservations;
    std::string error;
    if (!ParseReservations(kelm::fuzz::Text(data, size), "Fuzz.reservations", reservations, error)) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    for (std::size_t i = 0; i < reservations.size(); ++i)
        FUZZ_CHECK(FindReservation(reservations, reservations[i].partition) == static_cast<int>(i));
    const std::string written = SerializeReservations(reservations);
    std::vector<Reservation> again;
    FUZZ_CHECK(ParseReservations(written, "Fuzz.reservations", again, error));
    FUZZ_CHECK(SerializeReservations(again) == written);
    return 0;
}

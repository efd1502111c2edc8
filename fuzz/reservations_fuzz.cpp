// The reservations file: read or refused; what is read writes back to a
// text that reads the same, and every partition is found again. The same
// bytes as the journal of a file: applied as far as they fit, never a
// partition reserved twice.
#include "FuzzSupport.h"
#include "store/file/ReservationFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelm::store;
    ReservationState state;
    state.base = "{\"kelm\":\"reservations\",\"version\":1,\"lines\":1}\n{\"partition\":\"PartsDBLibs\\\\A.pdb\",\"holder\":\"bob\"}\n";
    std::string error;
    FUZZ_CHECK(ParseReservations(state.base, "Fuzz.reservations", state.reservations, error));
    state.lines.resize(1);
    ApplyReservationJournal(JournalHeader(state.base) + kelm::fuzz::Text(data, size), state);
    FUZZ_CHECK(state.lines.size() == state.reservations.size());
    for (std::size_t i = 0; i < state.reservations.size(); ++i)
        FUZZ_CHECK(FindReservation(state.reservations, state.reservations[i].partition) == static_cast<int>(i));

    std::vector<Reservation> reservations;
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

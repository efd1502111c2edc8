// The reservation file "<name>.reservations" beside the library file: who
// holds which partition, and its journal "<name>.reservations.journal".
// Both are changed only under the library lock, so a reservation is seen by
// every session at once. Lines of the file are sorted by partition path
// without case.
//
// A change is one checked line appended to the journal with one flush:
//   {"kelm":"journal","version":1,"base":"<hash of the reservation file>"}
//   {"check":"<hash of the rest>","reserve":"<partition path>","holder":"<user>"}
//   {"check":"<hash of the rest>","release":"<partition path>"}
// A journal applies only to the reservation file whose bytes its header
// names. A torn or damaged line, and a change that does not fit the
// reservations before it (a partition reserved twice, a free one released),
// end what the journal says: they are a change that never finished. The
// store folds the journal into the file (atomic replacement) when it has
// grown past a bound or cannot take more lines.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "kelmapi/automation.h"
#include "store/format/PartJournal.h"
#include "store/items/StoreBackend.h"

namespace kelm::store {

bool ParseReservations(const std::string& text, const std::string& fileName, std::vector<Reservation>& reservations,
                       std::string& error);
std::string SerializeReservations(std::vector<Reservation> reservations);

// Index of the partition's reservation (path compared without case); -1 when free.
int FindReservation(const std::vector<Reservation>& reservations, const std::string& partitionPath);

std::string ReservationJournalOf(const std::string& reservationFile);

// Where a reservation was last set: a line of the file or of its journal.
struct ReservationLine {
    bool inJournal = false;
    long line = 0;
};

// The reservations as the file and its journal give them.
struct ReservationState {
    std::vector<Reservation> reservations;
    std::vector<ReservationLine> lines;  // one per reservation
    std::string base;                    // the bytes of the reservation file ("" when there is none)
    bool baseExists = false;
    JournalState journal;
    bool journalApplies = false;  // its header names this file
};

// Applies the journal's changes to `state` (read from state.base).
void ApplyReservationJournal(std::string_view journal, ReservationState& state);

// The journal line of one change: a reservation, or a release when `holder` is empty.
std::string ReservationChangeLine(const std::string& partition, const std::string& holder);

// Every reader of reservations reads them here. S_OK (no file: none),
// KELM_E_IO or KELM_E_CORRUPT (the file is damaged), with `error` naming the file.
HRESULT LoadReservations(const std::string& reservationFile, ReservationState& state, std::string& error);

}  // namespace kelm::store

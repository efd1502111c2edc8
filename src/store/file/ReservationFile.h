// The reservation file "<name>.reservations" beside the library file: who
// holds which partition. It is read whenever a session asks, and changed
// only under the library lock, so a reservation is seen by every session at
// once. Lines are sorted by partition path without case.
#pragma once

#include <string>
#include <vector>

#include "store/items/StoreBackend.h"

namespace kelm::store {

bool ParseReservations(const std::string& text, const std::string& fileName, std::vector<Reservation>& reservations,
                       std::string& error);
std::string SerializeReservations(std::vector<Reservation> reservations);

// Index of the partition's reservation (path compared without case); -1 when free.
int FindReservation(const std::vector<Reservation>& reservations, const std::string& partitionPath);

}  // namespace kelm::store

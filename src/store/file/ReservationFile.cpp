#include "store/file/ReservationFile.h"

#include <algorithm>
#include <unordered_set>

#include "store/format/JsonLines.h"
#include "store/format/PartitionNames.h"

namespace kelm::store {

bool ParseReservations(const std::string& text, const std::string& fileName, std::vector<Reservation>& reservations,
                       std::string& error) {
    reservations.clear();
    std::unordered_set<std::string> seen;  // lower-cased partition paths
    return jsonl::ReadLines(text, "reservations", fileName, [&](jsonl::Cursor& cursor) {
        Reservation reservation;
        if (!cursor.BeginObject()) return false;
        std::string_view key;
        while (cursor.NextKey(key)) {
            bool ok = true;
            if (key == "partition") ok = cursor.String(reservation.partition);
            else if (key == "holder") ok = cursor.String(reservation.holder);
            else return cursor.UnknownKey(key);
            if (!ok) return false;
        }
        if (!cursor.Error().empty()) return false;
        if (reservation.partition.empty() || reservation.holder.empty())
            return cursor.Fail("a reservation needs a partition and a holder");
        if (!seen.insert(LowerAscii(reservation.partition)).second)
            return cursor.Fail("partition \"" + reservation.partition + "\" reserved twice");
        reservations.push_back(std::move(reservation));
        return true;
    }, error);
}

std::string SerializeReservations(std::vector<Reservation> reservations) {
    std::sort(reservations.begin(), reservations.end(), [](const Reservation& a, const Reservation& b) {
        return LowerAscii(a.partition) < LowerAscii(b.partition);
    });
    std::string out = jsonl::Header("reservations", reservations.size());
    for (const Reservation& reservation : reservations)
        jsonl::LineWriter(out).Str("partition", reservation.partition).Str("holder", reservation.holder).End();
    return out;
}

int FindReservation(const std::vector<Reservation>& reservations, const std::string& partitionPath) {
    for (std::size_t i = 0; i < reservations.size(); ++i)
        if (EqualNoCase(reservations[i].partition, partitionPath)) return static_cast<int>(i);
    return -1;
}

}  // namespace kelm::store

#include "store/file/ReservationFile.h"

#include <algorithm>
#include <unordered_set>

#include "platform/Files.h"
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

std::string ReservationJournalOf(const std::string& reservationFile) { return reservationFile + kJournalExtension; }

std::string ReservationChangeLine(const std::string& partition, const std::string& holder) {
    std::string rest = holder.empty() ? "\"release\":" : "\"reserve\":";
    jsonl::AppendString(rest, partition);
    if (!holder.empty()) {
        rest += ",\"holder\":";
        jsonl::AppendString(rest, holder);
    }
    rest += '}';
    std::string line;
    AppendCheckedLine(line, rest);
    return line;
}

void ApplyReservationJournal(std::string_view journal, ReservationState& state) {
    state.journal = JournalState{};
    state.journal.exists = true;
    std::size_t end = journal.find('\n');
    state.journalApplies = end != std::string_view::npos && journal.substr(0, end + 1) == JournalHeader(state.base);
    if (!state.journalApplies) {
        state.journal.appendable = false;  // another file's journal, or a torn header
        return;
    }
    long line = 1;
    for (std::size_t begin = end + 1; begin < journal.size(); begin = end + 1) {
        ++line;
        end = journal.find('\n', begin);
        const std::string_view rest = end == std::string_view::npos ? std::string_view{} : CheckedRest(journal.substr(begin, end - begin));
        const std::string object = "{" + std::string(rest);
        jsonl::Cursor cursor(object.data(), object.data() + object.size());
        std::string_view key;
        std::string partition, holder;
        bool ok = !rest.empty() && cursor.BeginObject() && cursor.NextKey(key) && (key == "reserve" || key == "release") &&
                  cursor.String(partition) && !partition.empty();
        const bool reserve = key == "reserve";
        std::string_view second;
        if (ok && reserve) ok = cursor.NextKey(second) && second == "holder" && cursor.String(holder) && !holder.empty();
        ok = ok && !cursor.NextKey(second) && cursor.Error().empty() && cursor.Finish();
        const int index = ok ? FindReservation(state.reservations, partition) : -1;
        if (!ok || reserve != (index < 0)) {
            state.journal.appendable = false;  // torn, damaged or out of step: what follows never counts
            return;
        }
        if (reserve) {  // in its place in the order of the file
            const std::string lower = LowerAscii(partition);
            const auto at = std::find_if(state.reservations.begin(), state.reservations.end(),
                                         [&](const Reservation& r) { return lower < LowerAscii(r.partition); });
            state.lines.insert(state.lines.begin() + (at - state.reservations.begin()), {true, line});
            state.reservations.insert(at, {partition, holder});
        } else {
            state.reservations.erase(state.reservations.begin() + index);
            state.lines.erase(state.lines.begin() + index);
        }
        ++state.journal.records;
    }
}

HRESULT LoadReservations(const std::string& reservationFile, ReservationState& state, std::string& error) {
    state = ReservationState{};
    const platform::FileResult read = platform::ReadWholeFile(reservationFile, state.base, error);
    if (read != platform::FileResult::Ok && read != platform::FileResult::NotFound) return KELM_E_IO;
    state.baseExists = read == platform::FileResult::Ok;
    if (state.baseExists && !ParseReservations(state.base, reservationFile, state.reservations, error)) return KELM_E_CORRUPT;
    for (std::size_t i = 0; i < state.reservations.size(); ++i) state.lines.push_back({false, static_cast<long>(i) + 2});
    std::string journal;
    const platform::FileResult journalRead = platform::ReadWholeFile(ReservationJournalOf(reservationFile), journal, error);
    if (journalRead == platform::FileResult::NotFound) {
        error.clear();
        return S_OK;
    }
    if (journalRead != platform::FileResult::Ok) return KELM_E_IO;
    ApplyReservationJournal(journal, state);
    return S_OK;
}

}  // namespace kelm::store

// kelmapi::LibraryReader: a read-only store session for the librarian's
// tools; it converts the store's records into the public plain ones.
#include "kelmapi/library.h"

#include "store/file/LibraryUsage.h"
#include "store/format/PartitionNames.h"
#include "store/items/KelmCell.h"
#include "store/items/KelmPart.h"
#include "store/items/KelmSchemePartition.h"
#include "store/items/KelmServer.h"
#include "util/AutoTypes.h"

namespace kelmapi {

using namespace kelm::store;

struct LibraryReader::Session {
    KelmServer server{nullptr};
};

namespace {

PartitionKind KindOfType(int type) {
    return type == kPartitionTypeSymbol ? PartitionKind::Symbol
           : type == kPartitionTypeCell ? PartitionKind::Cell
                                        : PartitionKind::Part;
}

int TypeOfKind(PartitionKind kind) {
    return kind == PartitionKind::Symbol ? kPartitionTypeSymbol
           : kind == PartitionKind::Cell ? kPartitionTypeCell
                                         : kPartitionTypePart;
}

std::vector<ItemUse> PublicUses(const std::vector<kelm::store::ItemUse>& uses) {
    std::vector<ItemUse> result;
    for (const auto& use : uses) result.push_back(ItemUse{use.partition, use.item});
    return result;
}

}  // namespace

LibraryReader::LibraryReader() : m_session(std::make_unique<Session>()) {}

LibraryReader::~LibraryReader() = default;

HRESULT LibraryReader::Open(const std::string& qvmPath) {
    RETURN_IF_FAILED(m_session->server.Init());
    return m_session->server.Load(qvmPath.c_str(), 1);
}

std::string LibraryReader::LastErrorText() const { return m_session->server.LastErrorText(); }

HRESULT LibraryReader::SearchSchemes(Names& schemes) { return KelmSchemePartition(m_session->server).GetSchemes(schemes); }

HRESULT LibraryReader::DefaultSearchScheme(std::string& scheme) {
    return KelmSchemePartition(m_session->server).GetDefaultSearchSchemeName(scheme);
}

HRESULT LibraryReader::SchemePartitions(const std::string& scheme, Names& paths) {
    return KelmSchemePartition(m_session->server).GetSchemePartitionList(scheme, paths);
}

HRESULT LibraryReader::Partitions(std::vector<PartitionInfo>& partitions) {
    Names paths;
    RETURN_IF_FAILED(KelmSchemePartition(m_session->server).GetAllPartitions(paths, 1));
    partitions.clear();
    for (const std::string& path : paths) {
        PartitionId id;
        if (FAILED(ParsePartitionName(path, kPartitionTypeNone, id))) continue;
        partitions.push_back(PartitionInfo{KindOfType(id.type), id.name, path});
    }
    return S_OK;
}

HRESULT LibraryReader::CountItems(const PartitionInfo& partition, int& count) {
    KelmSchemePartition counter(m_session->server);
    counter.InitPartitionType(TypeOfKind(partition.kind));
    return counter.GetNumObjectsInPartition(partition.name, count);
}

HRESULT LibraryReader::Reservations(std::vector<ReservationInfo>& reservations) {
    std::vector<Reservation> held;
    RETURN_IF_FAILED(KelmSchemePartition(m_session->server).GetReservations(held));
    reservations.clear();
    for (const Reservation& reservation : held) reservations.push_back(ReservationInfo{reservation.partition, reservation.holder});
    return S_OK;
}

HRESULT LibraryReader::PartNumbers(const std::string& partition, Names& numbers) {
    return KelmPart(m_session->server, nullptr).GetPartsInPartition(numbers, partition);
}

HRESULT LibraryReader::ReadPartType(const std::string& number, PartTypeRecord& record) {
    PartRecord part;
    RETURN_IF_FAILED(KelmPart(m_session->server, nullptr).GetRecord(number, part));
    record = PartTypeRecord{part.number, part.name, part.label, part.type, part.description,
                            part.timestamp, part.pins, part.cells, {}};
    for (const SymbolRef& symbol : part.symbols) record.symbols.push_back(SymbolUse{symbol.itemSpec, symbol.pins});
    return S_OK;
}

HRESULT LibraryReader::CellNames(const std::string& partition, Names& cells) {
    return KelmCell(m_session->server, nullptr, nullptr).GetCellsInPartition(cells, partition);
}

HRESULT LibraryReader::ReadCell(const std::string& cell, const std::string& partition, CellRecord& record) {
    kelm::store::CellRecord stored;
    RETURN_IF_FAILED(KelmCell(m_session->server, nullptr, nullptr).GetRecord(cell, partition, stored));
    record = CellRecord{stored.name, stored.pins, stored.padstacks, stored.timestamp};
    return S_OK;
}

HRESULT LibraryReader::PartsUsingSymbol(const std::string& symbol, std::vector<ItemUse>& uses) {
    std::vector<kelm::store::ItemUse> found;
    RETURN_IF_FAILED(kelm::store::PartsUsingSymbol(m_session->server, symbol, found));
    uses = PublicUses(found);
    return S_OK;
}

HRESULT LibraryReader::CellsUsingPadstack(const std::string& padstack, std::vector<ItemUse>& uses) {
    std::vector<kelm::store::ItemUse> found;
    RETURN_IF_FAILED(kelm::store::CellsUsingPadstack(m_session->server, padstack, found));
    uses = PublicUses(found);
    return S_OK;
}

}  // namespace kelmapi

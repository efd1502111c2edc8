// The store's item objects hand each operation, with their state, to the
// backend of their server.
#include "store/items/KelmCell.h"
#include "store/items/KelmPart.h"
#include "store/items/KelmSchemePartition.h"
#include "store/items/KelmSymbol.h"

namespace kelm::store {
namespace {
std::optional<std::string> Optional(const char* text) {
    return text ? std::optional<std::string>(text) : std::nullopt;
}
}  // namespace

// ---------------------------------------------------------------- KelmSchemePartition
HRESULT KelmSchemePartition::GetSchemes(StringList& schemes) { return Backend().GetSchemes(m_state, schemes); }
HRESULT KelmSchemePartition::GetDefaultSearchSchemeName(std::string& name) { return Backend().GetDefaultSearchSchemeName(m_state, name); }
HRESULT KelmSchemePartition::GetDefaultSearchScheme(StringList& partitions) { return Backend().GetDefaultSearchScheme(m_state, partitions); }
HRESULT KelmSchemePartition::ViewDefaultSearchScheme(const StringList*& partitions) { return Backend().ViewDefaultSearchScheme(m_state, partitions); }
HRESULT KelmSchemePartition::GetSchemePartitionList(const std::string& scheme, StringList& partitions) { return Backend().GetSchemePartitionList(m_state, scheme, partitions); }
HRESULT KelmSchemePartition::GetAllPartitions(StringList& partitions, int reservedFlag) { return Backend().GetAllPartitions(m_state, partitions, reservedFlag); }
HRESULT KelmSchemePartition::GetNumObjectsInPartition(const std::string& partition, int& count) { return Backend().GetNumObjectsInPartition(m_state, partition, count); }
HRESULT KelmSchemePartition::AddPartition(const std::string& path, int reservedFlag) { return Backend().AddPartition(m_state, path, reservedFlag); }
HRESULT KelmSchemePartition::DeletePartition(const std::string& path) { return Backend().DeletePartition(m_state, path); }
HRESULT KelmSchemePartition::AddSearchScheme(const std::string& scheme, const StringList& partitions, int protection, int makeDefaultIfNone) { return Backend().AddSearchScheme(m_state, scheme, partitions, protection, makeDefaultIfNone); }
HRESULT KelmSchemePartition::DeleteScheme(const std::string& scheme) { return Backend().DeleteScheme(m_state, scheme); }
HRESULT KelmSchemePartition::GetDefaultSchemeProtection(int& protection) { return Backend().GetDefaultSchemeProtection(m_state, protection); }
HRESULT KelmSchemePartition::ReservePartition(const std::string& partition, const std::string& user) { return Backend().ReservePartition(m_state, partition, user); }
HRESULT KelmSchemePartition::UnReservePartition(const std::string& partition, const std::string& user) { return Backend().UnReservePartition(m_state, partition, user); }
HRESULT KelmSchemePartition::GetPartitionReservation(const std::string& partition, std::string& holder) { return Backend().GetPartitionReservation(m_state, partition, holder); }
HRESULT KelmSchemePartition::GetEditingHolder(const std::string& partition, std::string& holder) { return Backend().GetEditingHolder(m_state, partition, holder); }
HRESULT KelmSchemePartition::GetReservations(std::vector<Reservation>& reservations) { return Backend().GetReservations(m_state, reservations); }
HRESULT KelmSchemePartition::RefreshPartition(const std::string& partition) { return Backend().RefreshPartition(m_state, partition); }

// ---------------------------------------------------------------- KelmPart
KelmPart::KelmPart(KelmServer& server, const char* partition) : KelmBase(server) {
    m_state.partitionType = kPartitionTypePart;
    m_state.partition = Optional(partition);
}
HRESULT KelmPart::Add(const std::string& partition, const StringList& pins, const std::string& part, const char* reservedText, int reservedMode, int reservedFlags) { return Backend().PartAdd(m_state, partition, pins, part, reservedText, reservedMode, reservedFlags); }
HRESULT KelmPart::Delete(const std::string& part) { return Backend().PartDelete(m_state, part); }
HRESULT KelmPart::SetName(const std::string& text, const std::string& part) { return Backend().PartSetName(m_state, text, part); }
HRESULT KelmPart::SetNameDefault(int value, const std::string& part) { return Backend().PartSetNameDefault(m_state, value, part); }
HRESULT KelmPart::SetLabel(const std::string& text, const std::string& part) { return Backend().PartSetLabel(m_state, text, part); }
HRESULT KelmPart::SetLabelDefault(int value, const std::string& part) { return Backend().PartSetLabelDefault(m_state, value, part); }
HRESULT KelmPart::SetDesc(const std::string& text, const std::string& part) { return Backend().PartSetDesc(m_state, text, part); }
HRESULT KelmPart::SetType(const std::string& text, const std::string& part) { return Backend().PartSetType(m_state, text, part); }
HRESULT KelmPart::SetTimestamp(std::int32_t time, const std::string& part) { return Backend().PartSetTimestamp(m_state, time, part); }
PartPropertyStatuses KelmPart::SetProperties(const PartProperties& properties, const std::string& part) { return Backend().PartSetProperties(m_state, properties, part); }
HRESULT KelmPart::AddSymbol(const std::string& symbol, const StringList& pins, const std::string& part) { return Backend().PartAddSymbol(m_state, symbol, pins, part); }
HRESULT KelmPart::AddCell(const std::string& cell, const std::string& part) { return Backend().PartAddCell(m_state, cell, part); }
HRESULT KelmPart::GetPinNumbers(StringList& pins, const std::string& part) { return Backend().PartGetPinNumbers(m_state, pins, part); }
HRESULT KelmPart::GetPartsInPartition(StringList& parts, const std::string& partition) { return Backend().PartGetPartsInPartition(m_state, parts, partition); }
HRESULT KelmPart::GetPartition(std::string& partition, const std::string& part) { return Backend().PartGetPartition(m_state, partition, part); }
HRESULT KelmPart::GetRecord(const std::string& part, PartRecord& record) { return Backend().PartGetRecord(m_state, part, record); }

// ---------------------------------------------------------------- KelmCell
KelmCell::KelmCell(KelmServer& server, const char* partition, const char* cell) : KelmBase(server) {
    m_state.partitionType = kPartitionTypeCell;
    m_state.partition = Optional(partition);
    m_state.cell = Optional(cell);
}
HRESULT KelmCell::Add(const StringList& pins, const std::string& cell, const std::string& partition, int type, std::int32_t time, int reservedMode, int reservedFlags) { return Backend().CellAdd(m_state, pins, cell, partition, type, time, reservedMode, reservedFlags); }
HRESULT KelmCell::Delete(const std::string& cell, const std::string& partition) { return Backend().CellDelete(m_state, cell, partition); }
bool KelmCell::DoesCellExist(const std::string& cell, const std::string& partition) { return Backend().CellExists(m_state, cell, partition); }
HRESULT KelmCell::ReplacePins(const StringList& pins, const std::string& cell) { return Backend().CellReplacePins(m_state, pins, cell); }
HRESULT KelmCell::AddPadstack(const std::string& padstack, const std::string& cell, const char* reservedText) { return Backend().CellAddPadstack(m_state, padstack, cell, reservedText); }
HRESULT KelmCell::SetTimestamp(std::int32_t time, const std::string& cell, const std::string& partition) { return Backend().CellSetTimestamp(m_state, time, cell, partition); }
HRESULT KelmCell::GetPinNames(StringList& pins, const std::string& cell) { return Backend().CellGetPinNames(m_state, pins, cell); }
HRESULT KelmCell::GetPadstackNames(StringList& padstacks, const std::string& cell, const char* reservedText) { return Backend().CellGetPadstackNames(m_state, padstacks, cell, reservedText); }
HRESULT KelmCell::GetType(int& type, const std::string& cell, const std::string& partition) { return Backend().CellGetType(m_state, type, cell, partition); }
HRESULT KelmCell::GetPartNumbers(StringList& parts, const std::string& cell) { return Backend().CellGetPartNumbers(m_state, parts, cell); }
HRESULT KelmCell::GetPartitionNames(StringList& partitions, const std::string& cell) { return Backend().CellGetPartitionNames(m_state, partitions, cell); }
HRESULT KelmCell::GetCellsInPartition(StringList& cells, const std::string& partition) { return Backend().CellGetCellsInPartition(m_state, cells, partition); }
HRESULT KelmCell::GetRecord(const std::string& cell, const std::string& partition, CellRecord& record) { return Backend().CellGetRecord(m_state, cell, partition, record); }

// ---------------------------------------------------------------- KelmSymbol
KelmSymbol::KelmSymbol(KelmServer& server, const char* partition, const char* symbol, int partitionType)
    : KelmBase(server) {
    m_state.partitionType = partitionType;
    m_state.partition = Optional(partition);
    m_state.symbol = Optional(symbol);
}
HRESULT KelmSymbol::GetSymbolsInPartition(StringList& symbols, const std::string& partition) { return Backend().SymbolGetSymbolsInPartition(m_state, symbols, partition); }
HRESULT KelmSymbol::GetPinNames(StringList& pins, const std::string& symbol) { return Backend().SymbolGetPinNames(m_state, pins, symbol); }
HRESULT KelmSymbol::GetPartitionNames(StringList& partitions, const std::string& symbol) { return Backend().SymbolGetPartitionNames(m_state, partitions, symbol); }
HRESULT KelmSymbol::GetHolders(StringList& partitions, const std::string& symbolName) { return Backend().SymbolGetHolders(m_state, partitions, symbolName); }

}  // namespace kelm::store

#include "import/PartImport.h"

#include "import/ItemNameRules.h"
#include "import/RecordArrays.h"
#include "import/RecordImport.h"
#include "maintenance/Reservation.h"
#include "platform/CodePage.h"
#include "store/items/KelmPart.h"
#include "util/Flags.h"
#include "util/Format.h"

namespace kelm {
namespace {

constexpr const char* kTag = "AddItemToQVM_Part";

std::string Text(BSTR text) { return platform::BstrToAnsi(text); }
int Signed(HRESULT status) { return static_cast<int>(status); }

// One import: the working values of the call and its steps in order.
class PartImport : RecordImport<KelmStruct_PartType> {
public:
    PartImport(LibrarySession& session, const std::string& partitionName, const KelmStruct_PartType& record)
        : RecordImport(session, partitionName, record), m_part(session.Store(), nullptr) {}

    HRESULT NotReserved() {
        m_log.LogError(kTag, Format("Partition (%s) is not reserved in QVM.", m_partition.c_str()));
        return E_FAIL;
    }

    HRESULT Run(VARIANT_BOOL overwrite) {
        const std::string holder = PartitionHolder(m_session, m_partition, store::kPartitionTypePart);
        if (holder.empty()) return NotReserved();
        // The import runs on behalf of whoever holds the partition.
        m_part.SetWorkingUserName(holder);

        AdjustNumber();
        RETURN_IF_FAILED(RefuseUnstorableName(m_log, kTag, NewName::PartNumber, m_number));
        StringList pins;
        RETURN_IF_FAILED(ChoosePins(pins));
        RETURN_IF_FAILED(CreatePart(pins, overwrite));
        SetProperties();
        RETURN_IF_FAILED(AttachCells());
        RETURN_IF_FAILED(AttachSymbols());
        return S_OK;
    }

private:
    void AdjustNumber() {
        const std::string received = Text(m_record.m_sPartNumber);
        m_number = received;
        if (AdjustPartNumber(m_number)) {
            m_log.LogWarning(kTag, Format("Adjusting Part Number: (%s) -> (%s). Partition (%s).", received.c_str(),
                                          m_number.c_str(), m_partition.c_str()));
        }
    }

    HRESULT CellArrayLockFailed(HRESULT status) {
        m_log.LogError(kTag, Format("Error getting cells records from safe array. Partition (%s), Part Number (%s).",
                                    m_partition.c_str(), m_number.c_str()));
        return status;
    }

    // The pins of the first cell record with the most pins; empty without cells.
    HRESULT ChoosePins(StringList& pins) {
        if (m_record.m_psarrCells == nullptr) return S_OK;
        SafeArrayDataLock lock(m_record.m_psarrCells);
        if (FAILED(lock.status())) return CellArrayLockFailed(lock.status());
        const auto* cells = lock.data<KelmStruct_Cell>();
        const long count = RecordArrayCount(m_record.m_psarrCells);
        long most = 0;
        for (long i = 0; i < count; ++i) {
            SAFEARRAY* cellPins = cells[i].m_psarrPins;
            if (cellPins == nullptr || RecordArrayCount(cellPins) <= most) continue;
            most = RecordArrayCount(cellPins);
            // A failed read is not reported: the list keeps what the read left.
            SafeArrayToStringList(cellPins, pins);
        }
        return S_OK;
    }

    HRESULT PartExists() {
        m_log.LogError(kTag, Format("Part Number already exists. Error adding it to QVM. Partition (%s), Part Number (%s).",
                                    m_partition.c_str(), m_number.c_str()));
        return E_FAIL;
    }

    HRESULT CreatePart(const StringList& pins, VARIANT_BOOL overwrite) {
        HRESULT status = m_part.Add(m_partition, pins, m_number, nullptr, 0, 0);
        if (status == store::kItemExistsOrMissing && IsTrue(overwrite)) {
            if (m_part.Delete(m_number) != S_OK) {
                m_log.LogError(kTag, Format("Error deleting existing Part Number from QVM. Partition (%s), Part Number (%s).",
                                            m_partition.c_str(), m_number.c_str()));
                return E_FAIL;
            }
            status = m_part.Add(m_partition, pins, m_number, nullptr, 0, 0);
        }
        if (status == store::kItemExistsOrMissing) return PartExists();
        // The holder seen by this session gave the partition back meanwhile.
        if (status == KELM_E_NOT_RESERVED) return NotReserved();
        if (status != S_OK) {
            m_log.LogError(kTag, Format("Error adding Part Number to QVM. Partition (%s), Part Number (%s), Error (%d).",
                                        m_partition.c_str(), m_number.c_str(), Signed(status)));
            return E_FAIL;
        }
        return S_OK;
    }

    // A property that cannot be set is logged with its message; the import goes on.
    void Check(HRESULT status, const char* message, const std::string& value) {
        if (status == S_OK) return;
        m_log.LogError(kTag, Format(message, m_partition.c_str(), m_number.c_str(), value.c_str()));
    }

    void SetProperties() {
        store::PartProperties properties;
        properties.name = Text(m_record.m_sPartName);
        properties.label = Text(m_record.m_sPartLabel);
        properties.description = Text(m_record.m_sDescription);
        properties.timestamp = m_record.m_nTimeStamp;
        properties.type = Text(m_record.m_sPartType);
        const store::PartPropertyStatuses status = m_part.SetProperties(properties, m_number);
        Check(status.name, "Error setting Part Name in QVM. Partition (%s), Part Number (%s), Part Name (%s).",
              properties.name);
        Check(status.nameDefault,
              "Error setting Default for Part Name in QVM. Partition (%s), Part Number (%s), Part Name (%s).",
              properties.name);
        Check(status.label, "Error setting Part Label in QVM. Partition (%s), Part Number (%s), Part Label (%s).",
              properties.label);
        Check(status.labelDefault,
              "Error setting Default for Part Label in QVM. Partition (%s), Part Number (%s), Part Label (%s).",
              properties.label);
        Check(status.description,
              "Error setting Description in QVM. Partition (%s), Part Number (%s), Description (%s).",
              properties.description);
        if (status.timestamp != S_OK) {
            m_log.LogError(kTag, Format("Error setting Time Stamp in QVM. Partition (%s), Part Number (%s), Time Stamp (%d).",
                                        m_partition.c_str(), m_number.c_str(), static_cast<int>(m_record.m_nTimeStamp)));
        }
        Check(status.type, "Error setting Type in QVM. Partition (%s), Part Number (%s), Type (%s).", properties.type);
    }

    HRESULT AttachCells() {
        if (m_record.m_psarrCells == nullptr) return S_OK;
        SafeArrayDataLock lock(m_record.m_psarrCells);
        if (FAILED(lock.status())) return CellArrayLockFailed(lock.status());
        const auto* cells = lock.data<KelmStruct_Cell>();
        const long count = RecordArrayCount(m_record.m_psarrCells);
        for (long i = 0; i < count; ++i) {
            const std::string cell = Text(cells[i].m_sCellName);
            const HRESULT status = m_part.AddCell(cell, m_number);
            if (status == store::kAlreadyReferenced) {
                m_log.LogError(kTag, Format("Cell is already referenced by this part. Error adding it to QVM. "
                                            "Partition (%s), Part Number (%s), Cell (%s).",
                                            m_partition.c_str(), m_number.c_str(), cell.c_str()));
            } else if (status != S_OK) {
                m_log.LogError(kTag, Format("Error adding Cell to QVM. Partition (%s), Part Number (%s), Cell (%s), Error (%d).",
                                            m_partition.c_str(), m_number.c_str(), cell.c_str(), Signed(status)));
            }
        }
        return S_OK;
    }

    HRESULT AttachSymbols() {
        if (m_record.m_psarrLogicSymbols == nullptr) return S_OK;
        SafeArrayDataLock lock(m_record.m_psarrLogicSymbols);
        if (FAILED(lock.status())) {
            m_log.LogError(kTag, Format("Error getting symbols records from safe array. Partition (%s), Part Number (%s).",
                                        m_partition.c_str(), m_number.c_str()));
            return lock.status();
        }
        const auto* symbols = lock.data<KelmStruct_LogicSymbol>();
        const long count = RecordArrayCount(m_record.m_psarrLogicSymbols);
        for (long i = 0; i < count; ++i) {
            const HRESULT status = AttachSymbol(symbols[i]);
            RETURN_HR_IF(status, status != S_OK);  // only an unreadable pin array stops the walk
        }
        return S_OK;
    }

    HRESULT AttachSymbol(const KelmStruct_LogicSymbol& record) {
        const std::string received = Text(record.m_sSymbolName);
        std::string symbol = received;
        std::string itemSpec = Text(record.m_sItemSpec);
        if (AdjustSymbolName(symbol)) {
            // The item specification is what names the symbol to the store.
            itemSpec = ReplaceAll(itemSpec, received, symbol);
            m_log.LogWarning(kTag, Format("Adjusting Symbol Name: (%s) -> (%s). Partition (%s), Part Number (%s).",
                                          received.c_str(), symbol.c_str(), m_partition.c_str(), m_number.c_str()));
        }
        StringList pins;
        if (record.m_psarrPins != nullptr) {
            const HRESULT read = SafeArrayToStringList(record.m_psarrPins, pins);
            if (read != S_OK) {
                m_log.LogError(kTag, Format("Error getting Symbol's pins from safe array. Partition (%s), Part Number (%s), Symbol (%s).",
                                            m_partition.c_str(), m_number.c_str(), symbol.c_str()));
                return read;
            }
        }
        const HRESULT status = m_part.AddSymbol(itemSpec, pins, m_number);
        if (status == store::kAlreadyReferenced) {
            m_log.LogError(kTag, Format("Symbol is already referenced by this part. Error adding it to QVM. "
                                        "Partition (%s), Part Number (%s), Symbol (%s).",
                                        m_partition.c_str(), m_number.c_str(), symbol.c_str()));
        } else if (status != S_OK) {
            m_log.LogError(kTag, Format("Error adding Symbol to QVM. Partition (%s), Part Number (%s), Symbol (%s), Error (%d).",
                                        m_partition.c_str(), m_number.c_str(), symbol.c_str(), Signed(status)));
        }
        return S_OK;
    }

    store::KelmPart m_part;
    std::string m_number;  // the part number after the part number rule
};

}  // namespace

HRESULT AddItemToQVM_Part(LibrarySession& session, const std::string& partitionName,
                          const KelmStruct_PartType* i_pPartType, VARIANT_BOOL i_bOverwriteIfExists) {
    return RunImport<PartImport>(session, partitionName, i_pPartType, i_bOverwriteIfExists);
}

}  // namespace kelm

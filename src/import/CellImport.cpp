#include "import/CellImport.h"

#include "import/ItemNameRules.h"
#include "import/RecordArrays.h"
#include "import/RecordImport.h"
#include "maintenance/Reservation.h"
#include "platform/CodePage.h"
#include "store/db/CellDB.h"
#include "store/items/KelmCell.h"
#include "util/Flags.h"
#include "util/Format.h"
#include "util/Paths.h"

namespace kelm {
namespace {

constexpr const char* kTag = "AddItemToQVM_Cell";

// The partition's cell file. The library folder ends in a backslash, so the
// path carries two before CellDBLibs (C:\lib\\CellDBLibs\Smd.cel).
std::string CellFilePath(const LibrarySession& session, const std::string& partitionName) {
    return Format("%s\\CellDBLibs\\%s.cel", GetPathFolder(session.LibraryFolder()).c_str(), partitionName.c_str());
}

class CellImport : RecordImport<KelmStruct_Cell> {
public:
    CellImport(LibrarySession& session, const std::string& partitionName, const KelmStruct_Cell& record)
        : RecordImport(session, partitionName, record) {}

    HRESULT Run(VARIANT_BOOL overwrite) {
        const std::string holder = PartitionHolder(m_session, m_partition, store::kPartitionTypeCell);
        if (holder.empty()) return NotReserved();
        store::KelmCell cells(m_session.Store(), nullptr, nullptr);
        cells.SetWorkingUserName(holder);  // the import runs on the holder's behalf
        cells.SetWorkingPartition(m_partition);

        m_cell = platform::BstrToAnsi(m_record.m_sCellName);
        RETURN_IF_FAILED(RefuseUnstorableName(m_log, kTag, NewName::Cell, m_cell));
        if (m_record.m_psarrPins != nullptr) {
            const HRESULT read = SafeArrayToStringList(m_record.m_psarrPins, m_pins);
            if (read != S_OK) {
                m_log.LogError(kTag, Format("Error getting Cell's pins from safe array. Partition (%s), Cell (%s).",
                                            m_partition.c_str(), m_cell.c_str()));
                return read;
            }
        }
        ReadCellFile();

        const HRESULT added = cells.Add(m_pins, m_cell, m_partition, 0, m_record.m_nTimeStamp, 0, 0);
        AttachPadstacks(cells);  // whatever the add said
        if (added == S_OK) return S_OK;
        if (added == store::kItemExistsOrMissing && IsTrue(overwrite)) {
            m_log.LogInfo(kTag, Format("Overwriting existing cell definition in QVM. Partition (%s), Cell (%s).",
                                       m_partition.c_str(), m_cell.c_str()));
            cells.SetTimestamp(m_record.m_nTimeStamp, m_cell, m_partition);
            cells.ReplacePins(m_pins, m_cell);
            AttachPadstacks(cells);
            return S_OK;
        }
        // The holder seen by this session gave the partition back meanwhile.
        if (added == KELM_E_NOT_RESERVED) return NotReserved();
        if (added == store::kItemExistsOrMissing) {
            m_log.LogError(kTag, Format("Cell already exists. Error adding it to QVM. Partition (%s), Cell (%s).",
                                        m_partition.c_str(), m_cell.c_str()));
        } else if (added == store::kAlreadyReferenced) {
            m_log.LogError(kTag, Format("Cell's pin names do not match current pin names in the QVM. "
                                        "Error adding it to QVM. Partition (%s), Cell (%s).",
                                        m_partition.c_str(), m_cell.c_str()));
        } else {
            m_log.LogError(kTag, Format("Error adding Cell to QVM. Partition (%s), Cell (%s).", m_partition.c_str(),
                                        m_cell.c_str()));
        }
        return E_FAIL;
    }

private:
    HRESULT NotReserved() {
        m_log.LogError(kTag, Format("Partition (%s) is not reserved in QVM.", m_partition.c_str()));
        return E_FAIL;
    }

    // Where the partition's cell file holds the cell, its sorted pin numbers
    // replace the record's pins and its padstacks are attached. A missing
    // file or cell is logged and the record's pins stay.
    void ReadCellFile() {
        const std::string path = CellFilePath(m_session, m_partition);
        celldb::CCellDB database;
        database.Init();
        if (database.Load(path.c_str(), 1) != 0) {
            m_log.LogError(kTag, Format("Couldn't load CEL file %s", path.c_str()));
            return;
        }
        celldb::CCellDBCell cell;
        if (database.FindCell(cell, m_cell) == celldb::kCellNotFound) {
            m_log.LogError(kTag, Format("Cell %s not found in CEL file", m_cell.c_str()));
            database.Close();
            return;
        }
        cell.GetSortedListOfPadstackNames(m_padstacks);
        m_pins.clear();
        cell.GetSortedListOfPinNumbers(m_pins);
        database.Close();
    }

    void AttachPadstacks(store::KelmCell& cells) {
        for (const std::string& padstack : m_padstacks) {
            if (cells.AddPadstack(padstack, m_cell, nullptr) != S_OK) {
                m_log.LogError(kTag, Format("Padstack %s NOT added to decal %s", padstack.c_str(), m_cell.c_str()));
            }
        }
    }

    std::string m_cell;
    StringList m_pins;
    StringList m_padstacks;
};

}  // namespace

HRESULT AddItemToQVM_Cell(LibrarySession& session, const std::string& partitionName,
                          const KelmStruct_Cell* i_pCell, VARIANT_BOOL i_bOverwriteIfExists) {
    return RunImport<CellImport>(session, partitionName, i_pCell, i_bOverwriteIfExists);
}

}  // namespace kelm
